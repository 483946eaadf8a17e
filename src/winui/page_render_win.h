// Makes the Win32 controls of a page definition (pages/page_defs.h) on a
// panel and places them as its blocks say: a form block as rows of a
// caption column and a field column (a field whose caption leaves it no
// room goes under it), a column as one item a line, a row side by side
// from the left, a button bar at the right end, a titled block in a group
// box. A list, grid or view of a plain column takes the spare height.
//
// Every control carries its component name (controls_win.h). A page of a
// feature shows its placeholder, and items of a feature stay hidden,
// until ShowFeature() names the feature. The renderer only makes and
// places controls: the settings binder and the pages' models fill them.
// Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pages/page_defs.h"

namespace pelmo::winui {

class EditableGrid;

struct RenderOptions {
  // Space around the blocks: none on a settings page, a dialog's margin
  // in a dialog.
  int margin = 0;
  // Grids get a field per column under the list that edits the current
  // row's cells; a grid of a window that edits elsewhere is a plain list.
  bool editableGrids = true;
};

class RenderedPage {
 public:
  // Makes def's controls on panel; def must outlive the page.
  RenderedPage(const PageDef& def, HWND panel, RenderOptions options = {});
  ~RenderedPage();
  RenderedPage(const RenderedPage&) = delete;
  RenderedPage& operator=(const RenderedPage&) = delete;

  const PageDef& Def() const { return m_def; }
  HWND Panel() const { return m_panel; }
  // A control by component name (fields, buttons, named labels and
  // panels); null when the page has none.
  HWND Named(const std::string& name) const;
  // The label before a field, or null.
  HWND Caption(const std::string& field) const;
  // The grid of a kGrid field, or null.
  EditableGrid* Grid(const std::string& name) const;

  // Places the controls for the panel's client size.
  void Place(int width, int height);
  // The height the blocks need at this width, the spare height not given.
  int NaturalHeight(int width) const;
  // The items (and the page) of feature stand from now on.
  void ShowFeature(PageFeature feature);
  bool HasFeature(PageFeature feature) const;

  // Calls handler when a button of the page that calls action is pressed.
  void OnAction(PageAction action, std::function<void()> handler);

  // One placed line of the page: its height at a width, whether it takes
  // the spare height, and its placement.
  struct Line {
    std::function<int(int width)> height;
    bool stretch = false;
    std::function<void(int x, int y, int width, int height)> place;
  };

 private:
  struct Part;
  HWND MakeField(HWND parent, const FieldDef& field, const PageItem* item, Part& part);
  std::vector<Part> MakeParts(HWND parent, const PageItem& item, bool withCaption);
  Part MakeLabelPart(HWND parent, const std::string& text, const std::string& name,
                     const PageItem* item);
  std::vector<Line> MakeBlock(HWND parent, const PageBlock& block);
  Line FormLine(HWND parent, const std::vector<const PageItem*>& items);
  Line PartsLine(std::vector<Part> parts, bool atRight);
  Line NoteLine(HWND parent, const PageItem& item);
  void Register(const PageItem* item, HWND control, bool neverShown = false);
  bool Stands(const PageItem* item) const;
  void ShowStanding();

  const PageDef& m_def;
  HWND m_panel;
  RenderOptions m_options;
  HWND m_placeholder = nullptr;
  std::map<std::string, HWND> m_named;
  std::map<std::string, HWND> m_captions;
  std::map<std::string, std::unique_ptr<EditableGrid>> m_grids;
  struct Shown {
    const PageItem* item;
    HWND control;
    bool neverShown;
  };
  std::vector<Shown> m_controls;
  std::vector<Line> m_lines;
  std::vector<PageFeature> m_features;
  SIZE m_size{};
};

// Width a one-line field needs to show text whole.
int FieldWidth(const std::wstring& text);
// Height of text wrapped at width in the message font.
int WrappedHeight(const std::wstring& text, int width);

}  // namespace pelmo::winui
