#include "core/menu_command.h"

#include <iterator>

namespace vtb {

const MenuCommand& MenuCommandOfTarget(const std::string& target) {
    // Every target holds the last row's empty mark, so the walk ends there.
    const MenuCommand* row = std::begin(kMenuCommands);
    while (target.find(row->Mark) == std::string::npos) ++row;
    return *row;
}

bool CaptionOpensNewWindow(const std::string& caption) { return caption.find("Lookup") != std::string::npos; }

}  // namespace vtb
