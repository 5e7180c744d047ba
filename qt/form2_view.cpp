#include "qt/form2_view.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>

#include "qt/control_views.h"
#include "qt/look.h"

namespace veskaro::qt {

Form2View::Form2View(app::Form2& form) : QWidget(nullptr), form_(form) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(StandardFont());
  setWindowIcon(ProgramIcon());
  MirrorWindow(form.window, this);
  setFixedSize(TwipsToPixels(form.window.client_width()),
               TwipsToPixels(form.window.client_height()));
  move(TwipsToPixels(form.Left), TwipsToPixels(form.Top));

  for (const app::Control* c : form.controls()) {
    if (c == &form.Command1) new ButtonView(form.Command1, this);
    if (c == &form.Label1) new LabelView(form.Label1, this);
    if (c == &form.Label2) new LabelView(form.Label2, this);
    if (c == &form.Label3) new LabelView(form.Label3, this);
    if (c == &form.Label4) new LabelView(form.Label4, this);
    if (c == &form.Label5) new LabelView(form.Label5, this);
    if (c == &form.Image1) {
      auto* image = new QLabel(this);
      image->setPixmap(AboutPicture());
      image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      MirrorControl(form.Image1, image);
    }
    if (c == &form.Line1) {
      // A one-pixel rule; the model holds the line as a zero-width rectangle.
      auto* line = new QFrame(this);
      line->setFrameShape(QFrame::VLine);
      line->setFrameShadow(QFrame::Plain);
      line->setLineWidth(1);
      MirrorControl(form.Line1, line);
      line->setGeometry(line->x(), line->y(), 1, line->height() + 1);
    }
  }
  // The OK button is the one control that takes the focus.
  if (auto* ok = findChild<QWidget*>("Command1")) ok->setFocus();

  form.on_unload = [this] {
    if (!closing_) close();
  };
}

Form2View::~Form2View() {
  if (!closed_) form_.on_unload = nullptr;
}

void Form2View::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Form2View::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    closing_ = true;
    if (form_.loaded()) form_.Unload();
  }
  event->accept();
}

}  // namespace veskaro::qt
