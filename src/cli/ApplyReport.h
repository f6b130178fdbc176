#pragma once
// What `prlport apply` did or would do, for a person (one line per step, then the
// count of ports left alone) and for configuration tools (one JSON document). The SNMP
// community is a secret: its change is named, its texts are not shown.
#include <string>

#include "ApplyPlan.h"

// "add NAME", "change NAME: FIELD OLD -> NEW, ...", "remove NAME", "scope OLD -> NEW",
// then "unchanged N"; texts in the system's code page.
std::string PlanLines(const ApplyPlan& plan);
// {"changed": ..., "whatIf": ..., "actions": [...], "unchanged": N}; `changed` says
// whether the machine was changed.
std::string PlanJson(const ApplyPlan& plan, bool changed, bool whatIf);
// A run that ended without reaching the file: why, and whether the machine was changed
// (only when putting it back failed too).
std::string FailureJson(const std::string& reason, bool changed);
