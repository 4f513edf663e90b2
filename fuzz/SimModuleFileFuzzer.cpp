// The simulator's module files (sim/ModuleList.h), written by hand: any
// contents either load into modules that answer or are refused with a
// ConfigError, and the start address of generated modules is any text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "sim/ModuleList.h"
#include "sim/SimModule.h"
#include "tests/state/TempFolder.h"

using namespace lumiq::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string contents(reinterpret_cast<const char*>(data), size);
    std::uint32_t first = 0x0A4D0101; // 10.77.1.1
    try {
        first = ParseAddress(contents.substr(0, contents.find('\n')));
    } catch (const ConfigError&) {
    }

    static const std::string path = lumiq::fuzz::ScratchFolder() + "/modules.ini";
    lumiq::testfs::WriteBytes(path, contents);
    std::vector<ModuleSetup> setups;
    try {
        setups = LoadModuleFile(path, 0, first);
    } catch (const ConfigError&) {
        return 0;
    }
    for (ModuleSetup& setup : setups) {
        SimModule module(std::move(setup));
        // Whatever the file said, a loaded module answers unless told to be silent.
        const SimModule::Answer answer = module.answer(std::string_view("AT+NAME=?"), true);
        lumiq::fuzz::Require(module.faults().silent || !answer.writes.empty(), "a loaded module answers");
    }
    return 0;
}
