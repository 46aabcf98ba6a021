// The policies an administrator sets for the toolbar, read from the
// machine's and the user's registry once when a toolbar is built.
#pragma once

#include "core/policy_table.h"

namespace vtb {

Policies ReadPolicies();

// Tells the administrator's log, the first time in the process that any
// policy is set, which policies are in force and which values are ignored. methodMatched false:
// the fixed search method is the text of no configured method.
void ReportPoliciesOnce(bool methodMatched);

}  // namespace vtb
