// The About window on screen: one widget per control of the Form2 model.
#pragma once

#include <QWidget>

#include "app/form2.h"

namespace veskaro::qt {

/// Mirrors `Form2`: a top-level window without an owner, placed where the model's
/// load put it (Left and Top in twips), with its controls stacked in creation order
/// (later ones on top). Escape closes it, as the close box does. Closing it in any
/// way runs the model's unload; the model's
/// unload closes it. The view deletes itself when closed and touches the model no
/// more once it has been closed (the main window's model makes a new About model
/// for every opening).
class Form2View : public QWidget {
 public:
  explicit Form2View(app::Form2& form);
  ~Form2View() override;

  app::Form2& form() { return form_; }
  /// False once the window has been closed.
  bool open() const { return !closed_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  app::Form2& form_;
  bool closing_ = false;
  bool closed_ = false;
};

}  // namespace veskaro::qt
