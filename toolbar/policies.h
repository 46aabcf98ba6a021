// The policies an administrator sets for the toolbar, read from the
// machine's and the user's registry once when a toolbar is built.
#pragma once

#include "core/policy_table.h"

namespace vtb {

// The values as the machine's and the user's hive hold them: read once per
// toolbar, merged into its policies and described to the log from the same read.
struct PolicyHives {
    PolicyValues Machine;
    PolicyValues User;
};

PolicyHives ReadPolicyHives();
inline Policies MergePolicies(const PolicyHives& read) { return MergePolicies(read.Machine, read.User); }

// Tells the administrator's log, the first time in the process that any
// policy is set, which policies are in force and which values are ignored. methodMatched false:
// the fixed search method is the text of no configured method.
void ReportPoliciesOnce(const PolicyHives& read, bool methodMatched);

}  // namespace vtb
