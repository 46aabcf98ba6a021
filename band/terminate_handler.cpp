// The DLL's terminate handler. The runtime's own prints the name of the
// escaping exception's type, and brings its demangler into the DLL for it;
// in a browser nobody reads it. Linked into the DLL only.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
