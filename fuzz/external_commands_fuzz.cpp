// libFuzzer target for extcmds.ini and the command files it names: the
// file extcmds.ini, a zero byte, the text of the file named "cmd.txt", a
// zero byte, then the command typed. Whatever the two files hold, the
// command is answered or not without an error escaping, and the listing
// and a command of the file work the same way.
#include <cstdint>
#include <string>

#include "core/work_folder.h"
#include "fuzz_support.h"
#include "services/external_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelmo;
  if (size > 1 << 20) return 0;
  static fuzz::ReplyParts parts;
  static const WorkFolder folder(fuzz::ScratchDir());
  const std::vector<std::string> input = fuzz::Parts(data, size, 3);
  fuzz::WriteBytes(folder.ExtCmdsIni(), input[0]);
  fuzz::WriteBytes(folder.Path("cmd.txt"), input[1]);
  ExternalCommands commands(folder, parts.replies, parts.log);
  // RunExternalCommand never throws: it is the last step of a chat line.
  commands.RunExternalCommand(input[2], 0x7F000002u);
  commands.RunExternalCommand("extcmd", 0x7F000002u);
  return 0;
}
