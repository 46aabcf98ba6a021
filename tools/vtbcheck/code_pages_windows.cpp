#include "tools/vtbcheck/code_pages.h"

#include <map>
#include <memory>

#include "win/code_page.h"

namespace vtbcheck {

const vtb::CodePage* CodePageNumbered(unsigned number) {
    static std::map<unsigned, std::unique_ptr<vtb::TSystemCodePage>> pages;
    std::unique_ptr<vtb::TSystemCodePage>& page = pages[number];
    if (!page) page = std::make_unique<vtb::TSystemCodePage>(number);
    return page->Known() ? page.get() : nullptr;
}

std::string ArgumentAsUtf8(const std::string& argument) {
    return vtb::Utf16ToUtf8(vtb::SystemCodePage().ToUtf16(argument));
}

}  // namespace vtbcheck
