// The About window as a toolkit-independent model.
#pragma once

#include <string>

#include "app/controls.h"

namespace veskaro::app {

class Form1;

class Form2 {
 public:
  explicit Form2(Form1& main);
  Form2(const Form2&) = delete;
  Form2& operator=(const Form2&) = delete;

  Window window;
  Button Command1;
  Label Label5;
  Label Label4;
  /// The vertical rule between the picture and the texts: from (840, 1320) to
  /// (840, 600), held as a zero-width rectangle.
  Control Line1;
  /// The program's 48 by 48 picture.
  Control Image1;
  Label Label2;
  Label Label1;
  Label Label3;

  /// The window's position in twips, with the exact (possibly half-twip) centring.
  double Left = 0;
  double Top = 0;

  /// Every control, in the order they are created.
  std::vector<const Control*> controls() const;

  /// Places the window centred over the main window, disables the main window, sets
  /// the caption and AboutOpen.
  void Load();
  /// Clears AboutOpen, enables the main window and gives it the focus. Runs however
  /// the window is closed; the view closes itself through on_unload.
  void Unload();
  bool loaded() const { return loaded_; }

  void Command1Click() { Unload(); }
  void Label2Click();
  void Label5Click();

  /// The e-mail link and the web link handed to the shell.
  static std::string MailTarget();
  static std::string WebTarget();

  /// The front-end closes the About window's view.
  std::function<void()> on_unload;

 private:
  Form1& main_;
  bool loaded_ = false;
};

}  // namespace veskaro::app
