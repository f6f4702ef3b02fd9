// GET /api/week: when each port was on in the last seven days, from the journal, and
// when it will be on in the next seven, from its windows; each instant local ISO 8601.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "journal/switch_history.h"

namespace dorvan {

class MainForm;

namespace web {

// {"from", "to", "now", "ports": [{"port", "past": [[on, off], …], "planned": [[on, off], …]}, …]}
nlohmann::json weekJson(MainForm& form, const SwitchHistory& history);

}  // namespace web
}  // namespace dorvan
