// The status callback of the configuration download: it lets every transfer
// run to its end and asks for nothing.
#pragma once

#include <urlmon.h>

#include "win/handles.h"

namespace vtb {

ComPtr<IBindStatusCallback> CreateBindStatusCallback();

}  // namespace vtb
