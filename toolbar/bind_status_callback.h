// The status callback of the configuration download: it lets every transfer
// run to its end and asks for nothing.
#pragma once

#include <urlmon.h>

#include "win/handles.h"

namespace vtb {

ComPtr<IBindStatusCallback> CreateBindStatusCallback();

// For the tests only: runs action once, on the downloading thread while the
// next configuration download is under way (at its first progress report),
// as a browser whose download lets the thread's messages through would run
// a click.
namespace test_seam {
void RunDuringNextDownload(void (*action)(void* context), void* context);
}

}  // namespace vtb
