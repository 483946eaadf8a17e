#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "transport/chat_key.h"

namespace pelmo::fuzz {

namespace {

// Made at first use; its destructor, at the process's end, removes it.
struct Scratch {
  Scratch() {
    namespace fs = std::filesystem;
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                        : fs::temp_directory_path();
    dir = (base / "pelmo-fuzz-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) std::abort();
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  std::string dir;
};

}  // namespace

const std::string& ScratchDir() {
  static const Scratch scratch;
  return scratch.dir;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Parts(const std::uint8_t* data, std::size_t size, std::size_t parts) {
  std::vector<std::string> out(parts);
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t at = 0;
  for (std::size_t i = 0; i < parts; ++i) {
    const std::size_t end = i + 1 == parts ? std::string::npos : input.find('\0', at);
    out[i] = input.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

TDateTime FixedClock::Now() const { return EncodeDateTime({2026, 12, 7, 12, 0, 0, 0}); }

ReplyParts::ReplyParts()
    : log(clock, settings, ScratchDir() + "/log.txt"),
      codec(cipher, net, out, log, clock, random),
      replies(codec, net, log, loop) {
  const ChatKey key = BuiltInChatKey();
  BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
  codec.SetSender(&sender);
  net.SendAddress = 0x7FFFFFFFu;
}

}  // namespace pelmo::fuzz
