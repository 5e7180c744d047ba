#include "qt/control_views.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalBlocker>
#include <algorithm>

#include "platform/qt/cp1252.h"
#include "qt/look.h"

namespace veskaro::qt {
namespace {

using platform::FromCp1252;

// Text with CR LF line ends as shown on screen, and back.
QString ShownText(const std::string& text) {
  QString shown = FromCp1252(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

std::string ModelText(const QString& shown) {
  QString text = shown;
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return platform::ToCp1252(text);
}

// Runs `update` on the widget after each change of `control` that `wanted` accepts,
// for as long as the widget lives.
template <typename Widget, typename Update>
void Follow(app::Control& control, Widget* widget, std::initializer_list<app::Change> wanted,
            Update update) {
  QPointer<Widget> guarded(widget);
  std::vector<app::Change> changes(wanted);
  control.Observe([guarded, changes, update](const app::Control&, app::Change change) {
    if (guarded.isNull()) return;
    for (const app::Change c : changes) {
      if (c == change) {
        update(guarded.data());
        return;
      }
    }
  });
}

// Runs a handler of the model under the busy pointer. A handler runs to its end
// without handling other events; the batch, an entry analysis, a copy and the INF
// viewer's wait for the word processor take long enough for the pointer to show.
template <typename Handler>
void RunHandler(Handler handler) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct Restore {
    ~Restore() { QGuiApplication::restoreOverrideCursor(); }
  } restore;
  handler();
}

}  // namespace

void MirrorControl(app::Control& control, QWidget* widget) {
  widget->setObjectName(QString::fromStdString(control.name()));
  widget->setGeometry(PixelRect(control.rect()));
  widget->setVisible(control.visible());
  widget->setEnabled(control.enabled());
  app::Control* model = &control;
  Follow(control, widget, {app::Change::kVisible, app::Change::kEnabled, app::Change::kPosition},
         [model](QWidget* w) {
           w->setGeometry(PixelRect(model->rect()));
           w->setEnabled(model->enabled());
           w->setVisible(model->visible());
         });
}

void MirrorWindow(app::Window& window, QWidget* widget) {
  widget->setObjectName(QString::fromStdString(window.name()));
  widget->setWindowTitle(FromCp1252(window.caption()));
  widget->setEnabled(window.enabled());
  app::Window* model = &window;
  Follow(window, widget, {app::Change::kText, app::Change::kEnabled}, [model](QWidget* w) {
    w->setWindowTitle(FromCp1252(model->caption()));
    w->setEnabled(model->enabled());
  });
}

int KeyAscii(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) return 13;
  const QString text = event.text();
  if (text.size() != 1) return 0;
  const int code = platform::UnicodeToCp1252(text.at(0).unicode());
  return code > 0 ? code : 0;
}

ListBoxView::ListBoxView(app::ListBox& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  MirrorControl(model, this);
  SyncRows();
  Follow(model, this, {app::Change::kRows}, [](ListBoxView* v) { v->SyncRows(); });
  Follow(model, this, {app::Change::kSelection}, [](ListBoxView* v) { v->SyncSelection(); });
  connect(this, &QListWidget::itemSelectionChanged, this, [this] { UserSelected(); });
}

void ListBoxView::SyncRows() {
  syncing_ = true;
  if (model_.count() == count() + 1) {
    addItem(FromCp1252(model_.row(model_.count() - 1)));  // the usual case: one row added
  } else {
    clear();
    for (const std::string& row : model_.rows()) addItem(FromCp1252(row));
  }
  syncing_ = false;
  SyncSelection();
}

void ListBoxView::SyncSelection() {
  syncing_ = true;
  const int index = model_.list_index();
  if (index < 0) {
    clearSelection();
    setCurrentRow(-1, QItemSelectionModel::NoUpdate);
  } else if (currentRow() != index || !item(index)->isSelected()) {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  }
  syncing_ = false;
}

void ListBoxView::UserSelected() {
  if (syncing_) return;
  const QList<QListWidgetItem*> chosen = selectedItems();
  model_.set_list_index(chosen.isEmpty() ? -1 : row(chosen.first()));
}

void ListBoxView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && model_.on_double_click) {
    RunHandler([this] { model_.on_double_click(); });
  }
}

void ListBoxView::keyPressEvent(QKeyEvent* event) {
  const int code = KeyAscii(*event);
  if (code != 0 && model_.on_key_press) RunHandler([this, code] { model_.on_key_press(code); });
  QListWidget::keyPressEvent(event);  // the key goes on to the list unchanged
}

ComboBoxView::ComboBoxView(app::ComboBox& model, QWidget* parent)
    : QComboBox(parent), model_(model) {
  setEditable(false);
  setMaxVisibleItems(8);
  MirrorControl(model, this);
  SyncRows();
  Follow(model, this, {app::Change::kRows}, [](ComboBoxView* v) { v->SyncRows(); });
  Follow(model, this, {app::Change::kSelection}, [](ComboBoxView* v) { v->SyncSelection(); });
  // `activated` comes only from the user (mouse or keyboard), never from the
  // program's own changes, so the model's handler runs once per choice.
  connect(this, &QComboBox::activated, this,
          [this](int index) { RunHandler([this, index] { model_.set_list_index(index); }); });
}

void ComboBoxView::SyncRows() {
  const QSignalBlocker block(this);
  clear();
  for (const std::string& row : model_.rows()) addItem(FromCp1252(row));
  setCurrentIndex(model_.list_index());
}

void ComboBoxView::SyncSelection() {
  const QSignalBlocker block(this);
  setCurrentIndex(model_.list_index());
}

TextBoxView::TextBoxView(app::TextBox& model, QWidget* parent)
    : QPlainTextEdit(parent), model_(model) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setTabChangesFocus(true);
  // Like the classic text box: no scroll bars, a narrow margin.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  document()->setDocumentMargin(2);
  // A disabled box (the comments box is one by design: only the program writes it)
  // keeps its disabled look but draws its text in the normal text colour, since the
  // disabled grey on the disabled background is hard to read.
  QPalette colours = palette();
  colours.setColor(QPalette::Disabled, QPalette::Text,
                   colours.color(QPalette::Active, QPalette::Text));
  setPalette(colours);
  MirrorControl(model, this);
  SyncText();
  Follow(model, this, {app::Change::kText}, [](TextBoxView* v) { v->SyncText(); });
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!syncing_) model_.set_text(ModelText(toPlainText()));
  });
}

void TextBoxView::SyncText() {
  const QString shown = ShownText(model_.text());
  if (shown == toPlainText()) return;
  syncing_ = true;
  setPlainText(shown);
  syncing_ = false;
}

ButtonView::ButtonView(app::Button& model, QWidget* parent)
    : QPushButton(FromCp1252(model.caption()), parent) {
  setToolTip(FromCp1252(model.tool_tip()));
  setAutoDefault(false);
  MirrorControl(model, this);
  app::Button* button = &model;
  connect(this, &QPushButton::clicked, this,
          [button] { RunHandler([button] { button->Click(); }); });
}

LabelView::LabelView(app::Label& model, QWidget* parent)
    : QLabel(FromCp1252(model.caption()), parent), model_(model) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFont(LabelFont(model.look()));
  if (model.look() == app::LabelLook::kLink) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(palette);
    setCursor(HandCursor());
  } else if (model.look() == app::LabelLook::kProductName) {
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  }
  MirrorControl(model, this);
  FitCaption();
  Follow(model, this, {app::Change::kText}, [](LabelView* v) {
    v->setText(FromCp1252(v->model_.caption()));
    v->FitCaption();
  });
  Follow(model, this, {app::Change::kPosition}, [](LabelView* v) { v->FitCaption(); });
}

void LabelView::FitCaption() {
  const QRect designed = PixelRect(model_.rect());
  const QFontMetrics metrics(font());
  if (designed.height() >= 2 * metrics.lineSpacing()) return;  // room to wrap
  const int needed = metrics.horizontalAdvance(text()) + 2;
  setGeometry(designed.x(), designed.y(), std::max(designed.width(), needed), designed.height());
}

void LabelView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void LabelView::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) RunHandler([this] { model_.Click(); });
}

TimerDriver::TimerDriver(app::Timer& model, QObject* parent) : QTimer(parent), model_(model) {
  setObjectName(QString::fromStdString(model.name()));
  setInterval(model.interval_ms());
  connect(this, &QTimer::timeout, this, [this] { RunHandler([this] { model_.Tick(); }); });
  Sync();
  QPointer<TimerDriver> guarded(this);
  model.Observe([guarded](const app::Control&, app::Change change) {
    if (!guarded.isNull() && change == app::Change::kEnabled) guarded->Sync();
  });
}

void TimerDriver::Sync() {
  if (!model_.enabled()) {
    stop();
  } else if (!isActive()) {
    start();  // enabling an enabled timer does not restart its interval
  }
}

}  // namespace veskaro::qt
