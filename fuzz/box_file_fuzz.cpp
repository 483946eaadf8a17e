// libFuzzer target for the message boxes in user/. The first input byte
// picks the file: even, the rest of the input up to a zero byte is the box
// file as found on the disk; odd, it is a box text that the bot writes
// itself. Then the nick and the password, each after a zero byte. A box reads
// as the right password's only when its last four bytes are the sum of
// that password; reading ("r"), a delivery into it and a new password
// must leave a box that reads again, with the text it had plus what was
// delivered.
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/text_file.h"
#include "core/work_folder.h"
#include "fuzz_support.h"
#include "services/offline_messages.h"

namespace {

using namespace pelmo;

std::string SumBytes(std::uint32_t sum) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(sum >> (8 * i));
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 65536) return 0;
  const bool written = (data[0] & 1) != 0;
  ++data;
  --size;
  static fuzz::ReplyParts parts;
  static const WorkFolder folder = [] {
    std::filesystem::create_directories(fuzz::ScratchDir() + "/user");
    return WorkFolder(fuzz::ScratchDir());
  }();
  const std::vector<std::string> input = fuzz::Parts(data, size, 3);
  const std::string nick = input[1].empty() ? "Ann" : input[1].substr(0, 100);
  const std::string password = input[2].empty() ? "pw" : input[2];
  const std::string path = folder.UserFile(BoxFileName(nick));
  // Each input starts from an empty list of readers (user/seen.txt).
  std::filesystem::remove(folder.UserFile("seen.txt"));
  OfflineMessages messages(folder, parts.replies, parts.out, parts.clock);
  if (written) {
    messages.WriteBox(nick, password, input[0]);
  } else {
    fuzz::WriteBytes(path, input[0]);
  }
  const std::optional<std::string> file = ReadWholeFile(path);
  if (!file) __builtin_trap();

  const OfflineMessages::Box box = messages.ReadBox(nick, password);
  const bool sumMatches = file->size() >= 4 && file->substr(file->size() - 4) ==
                                                   SumBytes(PasswordSum(password));
  if ((box.state == OfflineMessages::BoxState::kOk) != sumMatches) __builtin_trap();
  if (!sumMatches) return 0;
  if (box.text.size() != file->size() - 4) __builtin_trap();
  if (written && box.text != input[0]) __builtin_trap();

  messages.ShowBox(nick, "Room", password);
  messages.SetRespondent(nick, "Room", password, "nick " + nick);
  messages.DeliverLine(nick, "hello", "Room", password);
  const OfflineMessages::Box after = messages.ReadBox(nick, password);
  if (after.state != OfflineMessages::BoxState::kOk) __builtin_trap();
  if (after.text.rfind(box.text, 0) != 0 || after.text.find("hello") == std::string::npos) {
    __builtin_trap();
  }
  messages.ChangePassword(nick, "Room", password, "c new");
  if (messages.ReadBox(nick, "new").text != after.text) __builtin_trap();
  messages.ClearRespondent(nick, "Room", "new");
  std::filesystem::remove(path);
  return 0;
}
