// The dry run checked against the install: with ORVANE_SCENARIO_PLAN=1 every install of a
// scenario is planned first (orvane-pack plan on the same machine, folder and answers). The plan
// must leave the machine exactly as it was, and the files, registry keys and values and INI
// entries it names must be exactly those the install then changes (a change the plan names may
// be missing from the machine's difference only where it rewrites what was there with the same).
#pragma once
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/unit/MachineSnapshot.h"

namespace orvane::scenario {

struct PlannedInstall {
  int status = 0;                  // orvane-pack's exit status
  std::vector<std::string> lines;  // the plan's lines
  test::MachineSnapshot before;    // the machine before (a fresh one's when there is none)
  std::map<std::string, std::string> iniBefore;  // upper-cased INI path -> text before
};

// True when the scenarios check plans (ORVANE_SCENARIO_PLAN=1).
bool PlansChecked();
// Plans the install (`answers` may be empty) and checks that the machine is unchanged by it.
PlannedInstall PlanInstall(const std::filesystem::path& machine, const std::filesystem::path& dist,
                           const std::filesystem::path& answers);
// Compares the plan with what the install (which exited with `exitCode`) changed on the machine.
void CheckPlan(const PlannedInstall& plan, const std::filesystem::path& machine, int exitCode);

}  // namespace orvane::scenario
