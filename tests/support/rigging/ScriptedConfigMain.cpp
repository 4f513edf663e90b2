// lumiq-config with the script control of the test build (ScriptControl.h).
#include "app/Application.h"
#include "tests/support/rigging/ScriptControl.h"

int main(int argc, char** argv) {
    return lumiq::RunLumiqConfig(argc, argv, lumiq::InstallScriptControl);
}
