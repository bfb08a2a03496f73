// Stand-in game launcher for the update hand-off: "launcher.exe FILE GATE"
// holds FILE open with no sharing, as a running launcher holds its own
// assemblies, until the file GATE exists; then it ends with 0.

#include "rules.hpp"
#include "standin_win.hpp"

#include "common/handle_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    using namespace velmora;
    if (argc != 3) {
        report("launcher.exe", "expected FILE GATE");
        return 2;
    }
    const UniqueFile held(
        ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!held) {
        report("launcher.exe", "cannot hold " + narrow(argv[1]));
        return 1;
    }
    Rule gate;
    gate.action = RuleAction::gate;
    gate.path = narrow(argv[2]);
    apply_common_action(gate);
    return 0;
}
