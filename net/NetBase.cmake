# lumiq_netbase: the libc-only part of the socket layer (the host's adapters,
# sending from and receiving with packet info). The state library (an own
# address's hardware address), the simulator and the Qt-free libraries link it
# without Qt, so whichever folder comes first defines it.
# lumiq_packet_info is its former name.
if(NOT TARGET lumiq_netbase)
  add_library(lumiq_netbase STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AdapterList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PacketInfoReceive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PacketInfoSend.cpp)
  target_include_directories(lumiq_netbase PUBLIC ${PROJECT_SOURCE_DIR})
  add_library(lumiq_packet_info ALIAS lumiq_netbase)
endif()
