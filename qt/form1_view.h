// The main window on screen: one widget per control of the Form1 model.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include "app/form1.h"

namespace veskaro::qt {

class Form2View;

/// Mirrors `Form1`: its caption, enabled state and every control, placed by their
/// twips, stacked as the window's control list says (the first control on top),
/// in the controls' tab order. Forwards the user's actions to the model: combo
/// choices, list double-clicks and keys, buttons, the close box (as "Exit"), and
/// repaints (the model's paint handler). Activation of the window counts as a
/// repaint as well, since a compositing desktop uncovers a window without
/// repainting it. Shows the About window when the model asks for it.
class Form1View : public QWidget {
 public:
  explicit Form1View(app::Form1& form, QWidget* parent = nullptr);
  ~Form1View() override;

  app::Form1& form() { return form_; }
  /// The About window's view while one is open, else null.
  Form2View* about_view() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ReportFrame();
  void ShowAbout(app::Form2& about);
  void BatchProgress();

  app::Form1& form_;
  QPointer<Form2View> about_view_;
  bool in_paint_ = false;
  bool closing_ = false;
  QElapsedTimer progress_clock_;
};

}  // namespace veskaro::qt
