// Makes the Qt controls of a page definition (pages/page_defs.h) and lays
// them out as its blocks say: a form block as a QFormLayout, a column as
// lines of a QVBoxLayout, a row as a QHBoxLayout open to the right, a
// button bar as one open to the left, a titled block in a QGroupBox. A
// tree page fills its place without margins and leaves its spare height
// free below (unless a list, grid or view takes it), and its forms wrap
// long rows; a dialog or window keeps the style's margins and plain forms.
//
// Fields bound to the settings record are made by the binder; the others
// (lists, grids, labels, the inputs of the ban page and the dialogs) are
// plain controls that the page's own class fills from its model. Every
// control is named by its component name. Main thread only.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pages/page_defs.h"

class QLayout;
class QPushButton;
class QWidget;

namespace pelmo {

class PageBinder;
struct WindowPlatform;

// The controls of a rendered page by component name.
class PageControls {
 public:
  QWidget* Find(const std::string& name) const;
  template <typename T>
  T* Get(const std::string& name) const {
    return qobject_cast<T*>(Find(name));
  }
  void Add(const std::string& name, QWidget* control) { m_controls[name] = control; }
  void Merge(const PageControls& other);

  // The layouts of the definition's blocks, in its order.
  std::vector<QLayout*> blocks;

 private:
  std::map<std::string, QWidget*> m_controls;
};

// Lays def out in into (which takes the layout) with its controls. Items
// of a feature are left out unless features holds it. binder may be null
// when def binds no field to the record.
PageControls RenderPage(const PageDef& def, QWidget* into, PageBinder* binder,
                        const std::vector<PageFeature>& features = {});
// Adds the items of feature that RenderPage left out to the ends of their
// blocks (form blocks only), as the feature comes later than the page.
PageControls RenderFeatureItems(const PageDef& def, const PageControls& rendered,
                                PageBinder* binder, PageFeature feature);

// Connects the buttons of def that call action to handler, whose errors
// go to the platform's error report (platform null: to the caller of the
// click; the platform must outlive the buttons).
void OnAction(const PageDef& def, const PageControls& controls, PageAction action,
              const WindowPlatform* platform, std::function<void()> handler);

}  // namespace pelmo
