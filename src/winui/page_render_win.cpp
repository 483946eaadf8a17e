#include "winui/page_render_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "pages/settings_form.h"
#include "winui/controls_win.h"
#include "winui/grid_win.h"

namespace pelmo::winui {

namespace {

constexpr int kGap = 6;
constexpr int kCompactGap = 2;
constexpr int kColumnGap = 10;
constexpr int kPartGap = 4;
constexpr int kStretchMinimum = 60;

LRESULT CALLBACK DigitsOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
  if (message == WM_CHAR && !DigitsOnlyKeyPasses(static_cast<char32_t>(wParam))) return 0;
  return ::DefSubclassProc(window, message, wParam, lParam);
}

// The time field's keys: digits and ":" (and the editing keys); what is
// typed is checked by the page's model when it is used.
LRESULT CALLBACK TimeKeysProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
  if (message == WM_CHAR && wParam >= L' ' && wParam != L':' && (wParam < L'0' || wParam > L'9')) {
    return 0;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

bool Stretches(const FieldDef& field) {
  return field.kind == FieldKind::kList || field.kind == FieldKind::kGrid ||
         field.kind == FieldKind::kView;
}

}  // namespace

// A control of a line, placed left to right: its width, the height it is
// given (a drop-down list's includes its list) and the height it shows,
// and how far below the line's top it stands (labels sit on the fields'
// text line).
struct RenderedPage::Part {
  HWND control = nullptr;
  int width = 0;
  int height = 0;
  int shown = 0;
  int dy = 0;
  const PageItem* item = nullptr;
  // A check box or a label: a line of these alone stands closer.
  bool compact = false;
};

// The edit control's borders and margins, and room for the caret.
int FieldWidth(const std::wstring& text) { return TextWidth(text) + 24; }

int WrappedHeight(const std::wstring& text, int width) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, UiFont());
  RECT rect{0, 0, std::max(1, width), 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return std::max<int>(LineHeight(), rect.bottom - rect.top);
}

RenderedPage::RenderedPage(const PageDef& def, HWND panel, RenderOptions options)
    : m_def(def), m_panel(panel), m_options(options) {
  if (def.feature != PageFeature::kNone) {
    m_placeholder = MakeControl(panel, L"STATIC", Wide(def.placeholder), SS_NOPREFIX, 0, 4, 100,
                                LineHeight());
  }
  for (const PageBlock& block : def.blocks) {
    std::vector<Line> lines = MakeBlock(panel, block);
    for (Line& line : lines) m_lines.push_back(std::move(line));
  }
  ShowStanding();
}

RenderedPage::~RenderedPage() = default;

HWND RenderedPage::Named(const std::string& name) const {
  const auto it = m_named.find(name);
  return it != m_named.end() ? it->second : nullptr;
}

HWND RenderedPage::Caption(const std::string& field) const {
  const auto it = m_captions.find(field);
  return it != m_captions.end() ? it->second : nullptr;
}

EditableGrid* RenderedPage::Grid(const std::string& name) const {
  const auto it = m_grids.find(name);
  return it != m_grids.end() ? it->second.get() : nullptr;
}

void RenderedPage::Register(const PageItem* item, HWND control, bool neverShown) {
  m_controls.push_back({item, control, neverShown});
}

bool RenderedPage::HasFeature(PageFeature feature) const {
  return feature == PageFeature::kNone ||
         std::find(m_features.begin(), m_features.end(), feature) != m_features.end();
}

bool RenderedPage::Stands(const PageItem* item) const {
  if (!HasFeature(m_def.feature)) return false;
  return item == nullptr || HasFeature(item->feature);
}

void RenderedPage::ShowStanding() {
  if (m_placeholder != nullptr) {
    ::ShowWindow(m_placeholder, HasFeature(m_def.feature) ? SW_HIDE : SW_SHOW);
  }
  for (const Shown& shown : m_controls) {
    ::ShowWindow(shown.control, !shown.neverShown && Stands(shown.item) ? SW_SHOW : SW_HIDE);
  }
}

void RenderedPage::ShowFeature(PageFeature feature) {
  if (HasFeature(feature)) return;
  m_features.push_back(feature);
  ShowStanding();
  if (m_size.cx > 0) Place(m_size.cx, m_size.cy);
}

HWND RenderedPage::MakeField(HWND parent, const FieldDef& field, const PageItem* item, Part& part) {
  const std::wstring sample = Wide(field.sample);
  const int sampleWidth = sample.empty() ? 160 : FieldWidth(sample);
  const char* name = field.name.c_str();
  HWND control = nullptr;
  part.height = part.shown = FieldHeight();
  part.width = sampleWidth;
  switch (field.kind) {
    case FieldKind::kCheck: {
      control = MakeCheck(parent, Wide(field.caption), 0, 0, name);
      part.width = std::max(TextWidth(Wide(field.caption)), TextWidth(Wide(field.captionOff))) + 28;
      part.height = part.shown = LineHeight() + 4;
      part.compact = true;
      break;
    }
    case FieldKind::kChoice:
      control = MakeControl(parent, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                            0, 0, sampleWidth + 24, 200, name);
      part.width = sampleWidth + 24;
      part.height = 200;
      break;
    case FieldKind::kColour:
      control = MakeControl(parent, L"STATIC", L"", SS_NOTIFY, 0, 0, 40, FieldHeight() - 4, name,
                            WS_EX_CLIENTEDGE);
      part.width = 40;
      part.height = part.shown = FieldHeight() - 4;
      part.dy = 2;
      break;
    case FieldKind::kLabel:
      control = MakeControl(parent, L"STATIC", L"", SS_NOPREFIX, 0, 0, 200, LineHeight(), name);
      part.width = 200;
      part.height = part.shown = LineHeight();
      part.dy = 4;
      break;
    case FieldKind::kList:
      control = MakeControl(parent, L"LISTBOX", L"",
                            LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT, 0, 0, 100,
                            100, name, WS_EX_CLIENTEDGE);
      break;
    case FieldKind::kGrid: {
      std::vector<std::wstring> columns;
      for (const std::string& title : field.columns) columns.push_back(Wide(title));
      auto grid = std::make_unique<EditableGrid>(parent, field.name, columns, m_options.editableGrids);
      control = grid->List();
      for (HWND extra : grid->Controls()) Register(item, extra);
      m_grids[field.name] = std::move(grid);
      break;
    }
    case FieldKind::kView:
      control = MakeControl(parent, L"EDIT", L"",
                            ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0, 0, 100, 100,
                            name, WS_EX_CLIENTEDGE);
      break;
    case FieldKind::kDate:
      control = MakeControl(parent, DATETIMEPICK_CLASSW, L"", DTS_SHORTDATEFORMAT | WS_TABSTOP, 0, 0,
                            100, FieldHeight(), name);
      // The bot's own short date, not the desktop's.
      ::SendMessageW(control, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"dd.MM.yyyy"));
      part.width = FieldWidth(L"88.88.8888") + 24;
      break;
    case FieldKind::kTime:
      control = MakeEdit(parent, 0, 0, sampleWidth, name);
      // hh:mm:ss
      ::SendMessageW(control, EM_LIMITTEXT, 8, 0);
      ::SetWindowSubclass(control, TimeKeysProc, 1, 0);
      break;
    default:
      control = MakeEdit(parent, 0, 0, sampleWidth, name,
                         field.kind == FieldKind::kPassword ? ES_PASSWORD : 0);
      if (FiltersKeys(field)) ::SetWindowSubclass(control, DigitsOnlyProc, 1, 0);
      break;
  }
  m_named[field.name] = control;
  Register(item, control);
  part.control = control;
  part.item = item;
  return control;
}

RenderedPage::Part RenderedPage::MakeLabelPart(HWND parent, const std::string& text,
                                               const std::string& name, const PageItem* item) {
  const std::wstring wide = Wide(text);
  Part part;
  part.control = MakeLabel(parent, wide, 0, 0, 0, name.empty() ? nullptr : name.c_str());
  part.width = TextWidth(wide) + 4;
  part.height = part.shown = LineHeight();
  part.dy = 4;
  part.item = item;
  part.compact = true;
  if (!name.empty()) m_named[name] = part.control;
  Register(item, part.control);
  return part;
}

std::vector<RenderedPage::Part> RenderedPage::MakeParts(HWND parent, const PageItem& item,
                                                        bool withCaption) {
  std::vector<Part> parts;
  const auto caption = [&](const FieldDef& field) {
    if (!withCaption || field.kind == FieldKind::kCheck || field.caption.empty()) return;
    parts.push_back(MakeLabelPart(parent, field.caption, field.captionName, &item));
    m_captions[field.name] = parts.back().control;
  };
  switch (item.kind) {
    case ItemKind::kField: {
      const FieldDef& field = *FindField(m_def, item.name);
      caption(field);
      Part part;
      MakeField(parent, field, &item, part);
      parts.push_back(part);
      break;
    }
    case ItemKind::kInterval: {
      caption(*FindField(m_def, item.name));
      Part minutes;
      MakeField(parent, *FindField(m_def, item.name), &item, minutes);
      parts.push_back(minutes);
      parts.push_back(MakeLabelPart(parent, MinutesUnit(), "", &item));
      Part seconds;
      MakeField(parent, *FindField(m_def, item.second), &item, seconds);
      parts.push_back(seconds);
      parts.push_back(MakeLabelPart(parent, SecondsUnit(), "", &item));
      break;
    }
    case ItemKind::kButton: {
      const ButtonDef& def = *FindButton(m_def, item.name);
      const std::wstring text = Wide(def.caption);
      Part part;
      part.control = MakeControl(parent, L"BUTTON", text,
                                 (def.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, 0,
                                 0, ButtonWidth(text), FieldHeight() + 2, def.name.c_str());
      part.width = ButtonWidth(text);
      part.height = part.shown = FieldHeight() + 2;
      part.item = &item;
      if (def.disabled) ::EnableWindow(part.control, FALSE);
      m_named[def.name] = part.control;
      Register(&item, part.control, def.hidden);
      parts.push_back(part);
      break;
    }
    default:
      parts.push_back(MakeLabelPart(parent, item.text, item.name, &item));
      break;
  }
  return parts;
}

RenderedPage::Line RenderedPage::PartsLine(std::vector<Part> parts, bool atRight) {
  Line line;
  line.height = [this, parts](int) {
    int height = 0;
    bool compact = true;
    for (const Part& part : parts) {
      if (!Stands(part.item)) continue;
      height = std::max(height, part.dy + part.shown);
      compact = compact && part.compact;
    }
    if (height == 0) return 0;
    return compact ? height + kCompactGap : std::max(height, FieldHeight() + 2) + kGap;
  };
  line.place = [this, parts, atRight](int x, int y, int width, int) {
    int total = 0;
    for (const Part& part : parts) {
      if (Stands(part.item)) total += part.width + kPartGap;
    }
    int at = atRight ? x + width - total + kPartGap : x;
    for (const Part& part : parts) {
      if (!Stands(part.item)) continue;
      const int shownWidth = std::max(10, std::min(part.width, x + width - at));
      ::MoveWindow(part.control, at, y + part.dy, shownWidth, part.height, TRUE);
      at += part.width + kPartGap;
    }
  };
  return line;
}

RenderedPage::Line RenderedPage::NoteLine(HWND parent, const PageItem& item) {
  const std::wstring text = Wide(item.text);
  HWND label = MakeControl(parent, L"STATIC", text, SS_NOPREFIX, 0, 0, 100, LineHeight(),
                           item.name.empty() ? nullptr : item.name.c_str());
  if (!item.name.empty()) m_named[item.name] = label;
  Register(&item, label);
  Line line;
  line.height = [this, text, &item](int width) {
    return Stands(&item) ? WrappedHeight(text, width) + kGap : 0;
  };
  line.place = [label, text](int x, int y, int width, int) {
    ::MoveWindow(label, x, y, width, WrappedHeight(text, width), TRUE);
  };
  return line;
}

RenderedPage::Line RenderedPage::FormLine(HWND parent, const std::vector<const PageItem*>& items) {
  // A row: the caption in the caption column and the rest beside it, or
  // the whole row across (check boxes, buttons, texts, notes).
  struct Row {
    Part caption;
    Line across;
    std::vector<Part> parts;
    bool hasCaption = false;
    bool isAcross = false;
    const PageItem* item = nullptr;
  };
  std::vector<Row> rows;
  std::vector<Part> buttons;
  const auto flush = [&] {
    if (buttons.empty()) return;
    Row row;
    row.isAcross = true;
    row.across = PartsLine(buttons, false);
    rows.push_back(std::move(row));
    buttons.clear();
  };
  for (const PageItem* item : items) {
    if (item->kind == ItemKind::kButton) {
      for (Part& part : MakeParts(parent, *item, false)) buttons.push_back(part);
      continue;
    }
    flush();
    Row row;
    row.item = item;
    if (item->kind == ItemKind::kNote) {
      row.isAcross = true;
      row.across = NoteLine(parent, *item);
    } else {
      std::vector<Part> parts = MakeParts(parent, *item, true);
      const FieldDef* field =
          item->kind == ItemKind::kText ? nullptr : FindField(m_def, item->name);
      if (field != nullptr && m_captions.count(field->name) != 0 &&
          m_captions.at(field->name) == parts.front().control) {
        row.hasCaption = true;
        row.caption = parts.front();
        parts.erase(parts.begin());
        row.parts = std::move(parts);
      } else {
        row.isAcross = true;
        row.across = PartsLine(std::move(parts), false);
      }
    }
    rows.push_back(std::move(row));
  }
  flush();

  const auto partsWidth = [](const std::vector<Part>& parts) {
    int width = 0;
    for (const Part& part : parts) width += part.width + kPartGap;
    return width;
  };
  // A row stands beside the caption column when its caption fits the
  // column and its fields the rest of the width; the others put their
  // fields under their captions. The column is the one that puts the
  // most rows beside their captions.
  const auto beside = [partsWidth](const Row& row, int column, int width) {
    return row.caption.width <= column && column + kColumnGap + partsWidth(row.parts) <= width;
  };
  const auto column = [rows, beside, this](int width) {
    int best = 0;
    int bestCount = -1;
    for (const Row& candidate : rows) {
      if (!candidate.hasCaption || !Stands(candidate.item)) continue;
      const int tried = candidate.caption.width;
      int count = 0;
      for (const Row& row : rows) {
        if (row.hasCaption && Stands(row.item) && beside(row, tried, width)) ++count;
      }
      if (count > bestCount || (count == bestCount && tried < best)) {
        best = tried;
        bestCount = count;
      }
    }
    return best;
  };
  Line line;
  line.height = [this, rows, column, beside](int width) {
    const int captions = column(width);
    int height = 0;
    for (const Row& row : rows) {
      if (row.isAcross) {
        height += row.across.height(width);
      } else if (Stands(row.item)) {
        height += FieldHeight() + 2 + kGap;
        if (!beside(row, captions, width)) height += LineHeight() + 4;
      }
    }
    return height;
  };
  line.place = [this, rows, column, beside](int x, int y, int width, int) {
    const int captions = column(width);
    for (const Row& row : rows) {
      if (row.isAcross) {
        const int height = row.across.height(width);
        if (height > 0) row.across.place(x, y, width, height);
        y += height;
        continue;
      }
      if (!Stands(row.item)) continue;
      int at = x + captions + kColumnGap;
      if (!beside(row, captions, width)) {
        // The field goes under its caption.
        ::MoveWindow(row.caption.control, x, y + 2, std::min(row.caption.width, width),
                     LineHeight(), TRUE);
        y += LineHeight() + 4;
        at = x;
      } else {
        ::MoveWindow(row.caption.control, x, y + 4, row.caption.width, LineHeight(), TRUE);
      }
      for (const Part& part : row.parts) {
        const int shownWidth = std::max(10, std::min(part.width, x + width - at));
        ::MoveWindow(part.control, at, y + part.dy, shownWidth, part.height, TRUE);
        at += part.width + kPartGap;
      }
      y += FieldHeight() + 2 + kGap;
    }
  };
  return line;
}

std::vector<RenderedPage::Line> RenderedPage::MakeBlock(HWND parent, const PageBlock& block) {
  HWND frame = nullptr;
  HWND inner = parent;
  if (!block.title.empty()) {
    frame = MakeControl(parent, L"BUTTON", Wide(block.title), BS_GROUPBOX, 0, 0, 100, 100);
    Register(nullptr, frame);
  } else if (!block.name.empty()) {
    // A panel of its own name; a hidden one is held but never shown.
    inner = MakePanel(parent, 0, 0, 100, 100);
    ::SetWindowLongPtrW(inner, GWLP_ID, ControlId(block.name));
    m_named[block.name] = inner;
    Register(nullptr, inner, block.hidden);
  }
  std::vector<const PageItem*> items;
  for (const PageItem& item : block.items) items.push_back(&item);
  std::vector<Line> lines;
  switch (block.kind) {
    case BlockKind::kForm:
      lines.push_back(FormLine(inner, items));
      break;
    case BlockKind::kRow:
    case BlockKind::kButtonBar: {
      std::vector<Part> parts;
      for (const PageItem* item : items) {
        for (Part& part : MakeParts(inner, *item, true)) parts.push_back(part);
      }
      lines.push_back(PartsLine(std::move(parts), block.kind == BlockKind::kButtonBar));
      break;
    }
    case BlockKind::kColumn:
      for (const PageItem* item : items) {
        if (item->kind == ItemKind::kNote) {
          lines.push_back(NoteLine(inner, *item));
          continue;
        }
        const FieldDef* field = item->kind == ItemKind::kField ? FindField(m_def, item->name) : nullptr;
        if (field != nullptr && Stretches(*field)) {
          Part part;
          MakeField(inner, *field, item, part);
          EditableGrid* grid = Grid(field->name);
          HWND control = part.control;
          Line line;
          line.stretch = true;
          line.height = [](int) { return kStretchMinimum + kGap; };
          line.place = [grid, control](int x, int y, int width, int height) {
            if (grid != nullptr) {
              grid->Place(x, y, width, height - kGap);
            } else {
              ::MoveWindow(control, x, y, width, height - kGap, TRUE);
            }
          };
          lines.push_back(std::move(line));
          continue;
        }
        lines.push_back(PartsLine(MakeParts(inner, *item, true), false));
      }
      break;
  }
  if (frame == nullptr && inner == parent) return lines;
  // The frame goes under the controls it frames, which clip their
  // siblings (a child made later stands lower).
  if (frame != nullptr) {
    ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (inner != parent && block.hidden) return {};
  // A framed block or a panel: one line holding the block's lines.
  const int indent = frame != nullptr ? 12 : 0;
  const int top = frame != nullptr ? LineHeight() + 2 * kGap : 0;
  const int bottom = frame != nullptr ? kGap : 0;
  Line whole;
  whole.height = [lines, indent, top, bottom](int width) {
    int height = top + bottom;
    for (const Line& line : lines) height += line.height(width - 2 * indent);
    return height + kGap;
  };
  whole.place = [lines, indent, top, frame, inner, parent](int x, int y, int width, int height) {
    int at = top;
    if (frame != nullptr) {
      ::MoveWindow(frame, x, y, width, height - kGap, TRUE);
      at += y;
    } else {
      ::MoveWindow(inner, x, y, width, height - kGap, TRUE);
    }
    const int left = inner != parent ? 0 : x;
    for (const Line& line : lines) {
      const int lineHeight = line.height(width - 2 * indent);
      line.place(left + indent, at, width - 2 * indent, lineHeight);
      at += lineHeight;
    }
  };
  return {whole};
}

int RenderedPage::NaturalHeight(int width) const {
  const int inner = width - 2 * m_options.margin;
  int height = 2 * m_options.margin;
  for (const Line& line : m_lines) height += line.height(inner);
  return height;
}

void RenderedPage::Place(int width, int height) {
  m_size = {width, height};
  if (m_placeholder != nullptr) {
    ::MoveWindow(m_placeholder, 0, 4, width, WrappedHeight(GetText(m_placeholder), width), TRUE);
  }
  const int margin = m_options.margin;
  const int inner = std::max(10, width - 2 * margin);
  int fixed = 0;
  int stretching = 0;
  for (const Line& line : m_lines) {
    if (line.stretch) {
      ++stretching;
    } else {
      fixed += line.height(inner);
    }
  }
  const int spare = stretching > 0
                        ? std::max(kStretchMinimum + kGap,
                                   (height - 2 * margin - fixed) / stretching)
                        : 0;
  int y = margin;
  for (const Line& line : m_lines) {
    const int lineHeight = line.stretch ? spare : line.height(inner);
    if (lineHeight > 0) line.place(margin, y, inner, lineHeight);
    y += lineHeight;
  }
}

void RenderedPage::OnAction(PageAction action, std::function<void()> handler) {
  for (const ButtonDef& button : m_def.buttons) {
    if (button.action != action) continue;
    if (HWND control = Named(button.name)) OnClick(control, handler);
  }
}

}  // namespace pelmo::winui
