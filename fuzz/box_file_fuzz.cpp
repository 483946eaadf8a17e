// libFuzzer target for the message boxes in user/. The first input byte
// picks the file: even, the rest of the input up to a zero byte is the box
// file as found on the disk (this installation's or another's); odd, it is
// a box the bot writes itself, the registration greeting and then the
// input. Then the nick and the password, each after a zero byte. A box
// opens with the right password only when its last four bytes are the sum
// of that password; one that opens reads as a box text, or is unreadable
// (no seed unmasks it) and is then never written to. Reading ("r"), a
// delivery into a readable box and a new password must leave a box that
// reads again, with the text it had plus what was delivered.
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/queue_event_loop.h"
#include "base/text_file.h"
#include "core/work_folder.h"
#include "fuzz_support.h"
#include "services/box_mask.h"
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
  // Whatever the input's end, its box goes: boxes left behind would make
  // every later look-up of a missing name list a folder of thousands.
  struct RemovedAtEnd {
    const std::string& path;
    ~RemovedAtEnd() {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
    }
  } removedAtEnd{path};
  // Each input starts from an empty list of readers (user/seen.txt).
  std::filesystem::remove(folder.UserFile("seen.txt"));
  // Pieces of a long box wait on it; they go with it at the end.
  QueueEventLoop loop;
  OfflineMessages messages(folder, parts.replies, parts.clock, loop);
  const std::string text = BoxGreeting() + input[0];
  if (written) {
    messages.WriteBox(nick, password, text);
  } else {
    fuzz::WriteBytes(path, input[0]);
  }
  const std::optional<std::string> file = ReadWholeFile(path);
  if (!file) __builtin_trap();

  const OfflineMessages::Box box = messages.ReadBox(nick, password);
  const bool sumMatches = file->size() >= 4 && file->substr(file->size() - 4) ==
                                                   SumBytes(PasswordSum(password));
  const bool opens = box.state == OfflineMessages::BoxState::kOk ||
                     box.state == OfflineMessages::BoxState::kUnreadable;
  if (opens != sumMatches) __builtin_trap();
  if (!sumMatches) return 0;
  if (box.state == OfflineMessages::BoxState::kUnreadable) {
    // Only a box of another installation can be unreadable, and it stays
    // as it is.
    if (written) __builtin_trap();
    messages.ShowBox(nick, "Room", password);
    if (ReadWholeFile(path) != file) __builtin_trap();
    std::filesystem::remove(path);
    return 0;
  }
  if (box.text.size() != file->size() - 4 || !IsBoxText(box.text)) __builtin_trap();
  if (written && box.text != text) __builtin_trap();

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
