#include "core/menu_command.h"

namespace vtb {

Command CommandOfTarget(const std::string& target) {
    if (target.find(kHelpMarker) != std::string::npos) return Command::NewWindow;
    for (const CommandCode& code : kCommandCodes) {
        if (target.find(code.Code) != std::string::npos) return code.Runs;
    }
    return Command::Navigate;
}

bool CaptionOpensNewWindow(const std::string& caption) { return caption.find("Lookup") != std::string::npos; }

}  // namespace vtb
