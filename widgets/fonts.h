// The toolkit's fonts: one GDI font per face, height and weight for the
// whole process, made on first use and kept until the module goes. Every
// toolbar's buttons and search box use the same few, and a font the system
// has already prepared for drawing costs nothing more the next time.
#pragma once

#include <windows.h>

#include <string>

namespace vtb {

HFONT SharedFont(const std::string& name, int height, bool bold);

}  // namespace vtb
