#include "tests/cli/LumiqRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace lumiq::testbed {

std::string BuiltProgram(const std::string& path) {
    return std::string(std::getenv("LUMIQ_BINARY_DIR")) + path;
}

ProgramResult Lumiq(std::vector<std::string> args, std::chrono::milliseconds limit) {
    args.insert(args.begin(), BuiltProgram("/cli/lumiq"));
    return RunProgram(args, limit);
}

void ExpectMatchesSchema(const std::string& document) {
    ScratchDir scratch;
    std::ofstream(scratch.file("out.json")) << document;
    const ProgramResult check =
        RunProgram({"/usr/bin/python3", "-c",
                    "import json, sys, jsonschema; jsonschema.validate(json.load(open(sys.argv[1])), "
                    "json.load(open(sys.argv[2])))",
                    scratch.file("out.json"),
                    std::string(std::getenv("LUMIQ_SOURCE_DIR")) + "/cli/lumiq-output.schema.json"});
    EXPECT_EQ(check.exitStatus, 0) << check.err;
}

std::size_t SetFramesTo(SimLan& lan) {
    std::size_t sets = 0;
    for (const FrameRecord& frame : lan.control().received()) {
        const std::size_t equals = frame.bytes.find('=', frame.bytes.find("AT+"));
        sets += equals != std::string::npos && frame.bytes.compare(equals, 2, "=?") != 0;
    }
    return sets;
}

} // namespace lumiq::testbed
