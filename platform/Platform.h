// The bundle of platform interfaces that is passed down explicitly to every part of the program.
#pragma once
#include "platform/Components.h"
#include "platform/Files.h"
#include "platform/Lz.h"
#include "platform/Processes.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/Ui.h"

namespace orvane {

struct Platform {
  IFiles& files;
  IProfile& profile;
  IRegistry& registry;
  IShell& shell;
  ILzExpand& lz;
  IComponents& components;
  IProcesses& processes;
  ISystem& system;
  IClock& clock;
  IUserInterface& ui;
};

}  // namespace orvane
