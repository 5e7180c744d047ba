// Widgets that mirror the controls of a window model. Each one shows what its
// control holds, follows the control's changes, and forwards what the user does to
// the control's handler, under the busy pointer while the handler runs. None of
// them decides anything of its own.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "app/controls.h"

namespace veskaro::qt {

/// Keeps the widget's name, place, visibility and enabled state equal to the
/// control's, now and after every change.
void MirrorControl(app::Control& control, QWidget* widget);

/// Keeps a top-level widget's caption and enabled state equal to the window
/// model's. The widget's place is its own: views report moves to the model.
void MirrorWindow(app::Window& window, QWidget* widget);

/// The character code a key press gives (13 for Enter, 32 for Space, the code page
/// 1252 code of a typed character), or 0 for a key that types nothing.
int KeyAscii(const QKeyEvent& event);

/// A list box: rows, the chosen row, double-click and key press.
class ListBoxView : public QListWidget {
 public:
  ListBoxView(app::ListBox& model, QWidget* parent);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SyncRows();
  void SyncSelection();
  void UserSelected();

  app::ListBox& model_;
  bool syncing_ = false;
};

/// A drop-down list: rows in the model's order, the chosen row, and the user's
/// choice forwarded as the model's chosen index (which runs its click handler).
class ComboBoxView : public QComboBox {
 public:
  ComboBoxView(app::ComboBox& model, QWidget* parent);

 private:
  void SyncRows();
  void SyncSelection();

  app::ComboBox& model_;
};

/// A multi-line text box without scroll bars; CR LF in the model is a line break on
/// screen. Disabled, its text keeps the normal text colour.
class TextBoxView : public QPlainTextEdit {
 public:
  TextBoxView(app::TextBox& model, QWidget* parent);

 private:
  void SyncText();

  app::TextBox& model_;
  bool syncing_ = false;
};

/// A push button with its caption and tool tip.
class ButtonView : public QPushButton {
 public:
  ButtonView(app::Button& model, QWidget* parent);
};

/// A label in its look; a click (press and release over it) runs its handler. A
/// label one line high whose caption does not fit its width in the host's font is
/// widened (never moved or narrowed) so that the caption shows whole.
class LabelView : public QLabel {
 public:
  LabelView(app::Label& model, QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FitCaption();

  app::Label& model_;
  bool pressed_ = false;
};

/// A timer that runs while its model is enabled and ticks the model.
class TimerDriver : public QTimer {
 public:
  TimerDriver(app::Timer& model, QObject* parent);

 private:
  void Sync();

  app::Timer& model_;
};

}  // namespace veskaro::qt
