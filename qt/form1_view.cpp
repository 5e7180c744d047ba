#include "qt/form1_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <algorithm>
#include <type_traits>

#include "app/form2.h"
#include "qt/control_views.h"
#include "qt/form2_view.h"
#include "qt/look.h"

namespace veskaro::qt {

Form1View::Form1View(app::Form1& form, QWidget* parent) : QWidget(parent), form_(form) {
  setFont(StandardFont());
  setWindowIcon(ProgramIcon());
  MirrorWindow(form.window, this);
  setFixedSize(TwipsToPixels(form.window.client_width()),
               TwipsToPixels(form.window.client_height()));

  // Children created later lie above earlier ones; the control list names the
  // topmost control first, so the widgets are made from its end.
  const std::vector<app::Control*> order = form.controls();
  std::vector<std::pair<int, QWidget*>> tab_order;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    QWidget* widget = app::VisitControl(**it, [this](auto& control) -> QWidget* {
      using Model = std::remove_cvref_t<decltype(control)>;
      if constexpr (std::is_same_v<Model, app::ListBox>) return new ListBoxView(control, this);
      if constexpr (std::is_same_v<Model, app::ComboBox>) return new ComboBoxView(control, this);
      if constexpr (std::is_same_v<Model, app::TextBox>) return new TextBoxView(control, this);
      if constexpr (std::is_same_v<Model, app::Button>) return new ButtonView(control, this);
      if constexpr (std::is_same_v<Model, app::Label>) return new LabelView(control, this);
      if constexpr (std::is_same_v<Model, app::Timer>) new TimerDriver(control, this);
      return nullptr;  // a timer has no widget; the main window holds nothing else
    });
    if (widget != nullptr && (*it)->tab_index() >= 0) {
      tab_order.emplace_back((*it)->tab_index(), widget);
    }
  }
  std::sort(tab_order.begin(), tab_order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  QWidget* previous = nullptr;
  for (const auto& [index, widget] : tab_order) {
    if (widget->focusPolicy() == Qt::NoFocus) continue;
    if (previous == nullptr) {
      widget->setFocus();  // the first control in tab order starts with the focus
    } else {
      QWidget::setTabOrder(previous, widget);
    }
    previous = widget;
  }

  // The model's visibility shows and hides the window (Load shows it).
  QPointer<Form1View> self(this);
  form.window.Observe([self](const app::Control& window, app::Change change) {
    if (!self.isNull() && change == app::Change::kVisible) self->setVisible(window.visible());
  });
  form.on_unload = [this] {
    if (!closing_) close();
  };
  form.on_show_about = [this](app::Form2& about) { ShowAbout(about); };
  form.on_focus = [this] {
    activateWindow();
    raise();
  };
  form.on_batch_progress = [this](int, int, int) { BatchProgress(); };
}

Form1View::~Form1View() {
  form_.on_unload = nullptr;
  form_.on_show_about = nullptr;
  form_.on_focus = nullptr;
  form_.on_batch_progress = nullptr;
  delete about_view_.data();
}

Form2View* Form1View::about_view() const {
  return about_view_.isNull() || !about_view_->open() ? nullptr : about_view_.data();
}

void Form1View::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  in_paint_ = true;
  form_.Paint();
  in_paint_ = false;
}

void Form1View::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) form_.Paint();
}

void Form1View::closeEvent(QCloseEvent* event) {
  if (!form_.unloaded()) {
    if (!form_.window.enabled()) {  // a disabled window takes no input, the close box included
      event->ignore();
      return;
    }
    closing_ = true;
    form_.ExitButtonClick();
    closing_ = false;
  }
  event->accept();
}

void Form1View::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  ReportFrame();
}

void Form1View::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ReportFrame();
}

void Form1View::ReportFrame() {
  const QRect frame = frameGeometry();
  form_.window.set_rect({PixelsToTwips(frame.x()), PixelsToTwips(frame.y()),
                         PixelsToTwips(frame.width()), PixelsToTwips(frame.height())});
}

void Form1View::ShowAbout(app::Form2& about) {
  if (about_view_.isNull() || !about_view_->open() || &about_view_->form() != &about) {
    delete about_view_.data();
    about_view_ = new Form2View(about);
  }
  QPointer<Form2View> view = about_view_;
  auto bring_to_front = [view] {
    if (view.isNull()) return;
    view->show();
    view->raise();
    view->activateWindow();
  };
  if (in_paint_) {
    QMetaObject::invokeMethod(view.data(), bring_to_front, Qt::QueuedConnection);
  } else {
    bring_to_front();
  }
}

void Form1View::BatchProgress() {
  // The batch runs inside one event handler; repainting now and then lets the
  // growing list be seen without running any other event.
  if (progress_clock_.isValid() && progress_clock_.elapsed() < 100) return;
  progress_clock_.start();
  for (ListBoxView* list : findChildren<ListBoxView*>()) {
    if (list->isVisible()) list->doItemsLayout();
  }
  repaint();
}

}  // namespace veskaro::qt
