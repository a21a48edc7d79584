// The relation phase of the install run: each [Relate] pair, once the user agrees, points an
// extension at a "<ext>_auto_file" class, keeping the extension's earlier class for the uninstall.
#include "app/Application.h"
#include "app/Main.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/RegistryAccess.h"
#include "support/MBUtils.h"
#include "support/uStrOp.h"

namespace orvane {

RelationEntry BuildRelation(const SetupContext& ctx, const RelationPair& pair) {
  RelationEntry entry;
  entry.extension = GetField(pair.name, ",", 1);
  entry.description = GetField(pair.name, ",", 2);
  if (entry.description.empty()) entry.description = pair.name + " File";

  std::string file = ExpandPathTokens(ctx, pair.file);
  entry.verb = GetField(file, ",", 1);
  std::string program = GetField(file, ",", 2);
  std::string first = GetField(file, ",", 3);
  std::string second = GetField(file, ",", 4);
  std::string icon = GetField(file, ",", 5);

  entry.shownProgram = program;
  std::string commandProgram = PosNoCase(" ", program) != 0 ? "\"" + program + "\"" : program;
  std::string arguments = first.empty() ? second : first + " " + second;
  entry.command = arguments.empty() ? commandProgram : commandProgram + " " + arguments;
  entry.icon = program + "," + icon;
  return entry;
}

bool InstallRun::MakeRelations() {
  IRegistry& registry = app_.platform.registry;
  for (const RelationPair& pair : relations) {
    if (!Status("The one with the relation is being set up...")) return false;
    RelationEntry entry = BuildRelation(ctx_, pair);
    const std::string& e = entry.extension;

    int answer =
        ShowMessageBox(app_,
                       "The one with the relation does an extension *." + e + " in" + "\r\n" +
                           entry.shownProgram + "." + "\r\n" + "\r\n" + "May I put relation?",
                       "Confirmation with the Relation", mb::YesNo | mb::IconQuestion);
    ctx_.LastAnswer = answer;
    if (answer != id::Yes) continue;

    // The extension's earlier class is kept once; a full table keeps nothing more.
    std::string extensionKey = "." + e;
    CreateRegKey(registry, RegRoot::ClassesRoot, extensionKey);
    if (!restore.Covers(e)) {
      std::optional<std::string> previous =
          ReadRegString(registry, RegRoot::ClassesRoot, extensionKey, "");
      restore.Add(e + "," + previous.value_or(""));
    }

    std::string cls = e + "_auto_file";
    WriteRegString(registry, RegRoot::ClassesRoot, extensionKey, "", cls);
    WriteRegString(registry, RegRoot::ClassesRoot, cls, "", entry.description);
    WriteRegString(registry, RegRoot::ClassesRoot, cls + "\\DefaultIcon", "", entry.icon);
    WriteRegString(registry, RegRoot::ClassesRoot, cls + "\\shell\\" + entry.verb + "\\command", "",
                   entry.command);
  }
  return true;
}

}  // namespace orvane
