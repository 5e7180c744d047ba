// "Gather Necessity": every driver entry whose INF did not ship with Windows.
#include "app/form1.h"
#include "drivers/windows_inf_index.h"

namespace veskaro::app {

void Form1::Command1Click() {
  window.set_enabled(false);
  for (Control* c : std::initializer_list<Control*>{&Combo1, &Combo2, &List1, &About, &CopyTo,
                                                    &ExitButton, &Command1}) {
    c->set_enabled(false);
  }

  Combo1.set_list_index(-1);
  Combo2.Clear();
  Text1.set_text("");
  List3.Clear();
  List4.Clear();
  List5.Clear();

  int entries_done = 0;
  const int class_count = Combo1.count();
  for (int i = 0; i < class_count; ++i) {
    Combo1.set_list_index(i);
    List5.set_visible(true);
    const int entry_count = Combo2.count();
    for (int j = 0; j < entry_count; ++j) {
      Combo2.set_list_index(j);
      if (!drivers::IsWindowsInf(WindowsInfIndex, InfFileName)) {
        List5.AddItem(Combo2.text());
        const int rows = List1.count();
        for (int k = 0; k < rows; ++k) {
          List3.AddItem(List1.row(k));
          List4.AddItem(List2.row(k));
        }
      }
      ++entries_done;
      if (on_batch_progress) on_batch_progress(entries_done, i, class_count);
    }
  }

  Combo1.set_list_index(-1);
  Combo2.Clear();
  List1.Clear();
  List2.Clear();
  const int gathered = List3.count();
  for (int k = 0; k < gathered; ++k) {
    List1.AddItem(List3.row(k));
    List2.AddItem(List4.row(k));
  }
  List5.set_visible(true);

  Text1.set_text(
      "Drivers files for devices not installed with Windows have been compiled. Press the 'Copy' "
      "button to save all these entries.\r\n\r\n");
  Text1.set_text(Text1.text() + "Total Files - " + std::to_string(List1.count()));

  for (Control* c : std::initializer_list<Control*>{&Combo1, &Combo2, &List1, &About, &CopyTo,
                                                    &ExitButton, &Command1}) {
    c->set_enabled(true);
  }
  window.set_enabled(true);
}

}  // namespace veskaro::app
