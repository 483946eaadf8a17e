// What a page operation hands back to its front-end: whether it did what
// was asked, and the message the operator must see (a refusal, or a
// question whose answer the front-end passes back to the model). The
// models never show anything themselves, so every front-end shows the
// same texts in its own boxes.
#pragma once

#include <optional>
#include <string>

namespace pelmo {

enum class MessageKind { kInformation, kWarning, kQuestion };

struct PageMessage {
  MessageKind kind = MessageKind::kWarning;
  std::string title{};  // Windows-1251
  std::string text{};   // Windows-1251, lines separated by "\n"
  // A question's buttons: the one that takes the action and the one that
  // declines; both "" for the usual Yes and No.
  std::string yes{};
  std::string no{};
  // The field to put the focus in after the box ("" : none).
  std::string focus{};
};

struct PageResult {
  bool done = false;  // the operation changed what it was asked to change
  std::optional<PageMessage> message{};
  // The grid or list row the front-end makes current (a row added, a row
  // refused); -1: the current row stays.
  int row = -1;
};

}  // namespace pelmo
