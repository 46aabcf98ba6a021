// The policies an administrator sets for the toolbar, read from the
// machine's and the user's registry once when a toolbar is built.
#pragma once

#include "core/policy_table.h"

namespace vtb {

Policies ReadPolicies();

}  // namespace vtb
