# lumiq_doctor_rules: the doctor's code in plain C++, without Qt: the findings
# and how their texts are shown, the nftables, iptables and ufw readers and
# their one judge. The lumiq program links it through lumiq_doctor; the fuzz
# build takes it as it is.
if(NOT TARGET lumiq_doctor_rules)
  find_package(nlohmann_json 3 REQUIRED)
  add_library(lumiq_doctor_rules STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DoctorFinding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FilterChains.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IptablesRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NftRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UfwRules.cpp)
  # It shares doctor/ with the Qt part of the doctor: its root holds its own
  # headers alone. The module port comes from device/Frames.h.
  lumiq_include_root(lumiq_doctor_rules doctor
                     FILES DoctorFinding.h FilterChains.h IptablesRules.h NftRules.h UfwRules.h)
  target_link_libraries(lumiq_doctor_rules PUBLIC lumiq_device nlohmann_json::nlohmann_json)
endif()
