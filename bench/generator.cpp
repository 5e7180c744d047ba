#include "bench/generator.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "platform/short_names.h"

namespace veskaro::bench {
namespace {

constexpr char kManifestName[] = "bench-manifest.txt";
constexpr char kHugeName[] = "HUGE.INF";

// splitmix64: the same numbers on every platform and compiler, unlike the standard
// library's distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n); 0 when n is 0.
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  // Uniform in [lo, hi].
  std::size_t Between(std::size_t lo, std::size_t hi) { return lo + Below(hi - lo + 1); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  bool Chance(double p) { return Unit() < p; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

 private:
  std::uint64_t state_;
};

// A size between lo and hi, log-distributed; `skew` > 1 favours the small end.
std::size_t LogSize(Rng& rng, std::size_t lo, std::size_t hi, double skew) {
  if (hi <= lo) return lo;
  const double u = std::pow(rng.Unit(), skew);
  return static_cast<std::size_t>(static_cast<double>(lo) *
                                  std::pow(static_cast<double>(hi) / lo, u));
}

std::string Base36(std::size_t n, int width) {
  static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string out(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = digits[n % 36];
    n /= 36;
  }
  return out;
}

std::string Lower(std::string_view text) { return platform::LowerCase1252(text); }
std::string Upper(std::string_view text) { return platform::UpperCase1252(text); }

// "Abcdef" style vendor and product words from syllables.
std::string Word(Rng& rng, int syllables) {
  static const std::vector<std::string> parts = {
      "ka",  "ro",  "vel", "tan", "mi",  "zor", "bri", "sa",  "lu",  "nex", "or",  "pel",
      "qui", "dra", "fen", "gal", "hol", "ix",  "jun", "kor", "lin", "mar", "nor", "os",
      "pra", "ren", "sil", "tor", "ul",  "vor", "wen", "xa",  "yal", "zen"};
  std::string word;
  for (int i = 0; i < syllables; ++i) word += rng.Pick(parts);
  word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

// A destination of a file list: its [DestinationDirs] value and the folder below
// drive_c that it names (the Windows folder is C:\WINDOWS).
struct Destination {
  std::string value;
  std::string folder;
};

Destination PickDestination(Rng& rng, const std::string& vendor, const std::string& product) {
  const double r = rng.Unit();
  if (r < 0.40) return {"11", "WINDOWS/SYSTEM"};
  if (r < 0.55) return {"22", "WINDOWS/SYSTEM/VMM32"};
  if (r < 0.60) return {"12", "WINDOWS/SYSTEM/IOSUBSYS"};
  if (r < 0.65) return {"10", "WINDOWS"};
  if (r < 0.70) return {"18", "WINDOWS/HELP"};
  if (r < 0.72) return {"13", "WINDOWS/COMMAND"};
  if (r < 0.74) return {"20", "WINDOWS/FONTS"};
  if (r < 0.76) return {"21", "WINDOWS/SYSTEM/VIEWERS"};
  if (r < 0.78) return {"23", "WINDOWS/SYSTEM/COLOR"};
  if (r < 0.90)
    return {"11," + vendor + "\\" + product, "WINDOWS/SYSTEM/" + vendor + "/" + product};
  return {"24,Program Files\\" + vendor + " " + product, "Program Files/" + vendor + " " + product};
}

// One file-list section of an INF.
struct FileList {
  std::string name;
  Destination destination;
  std::vector<std::string> lines;         // as written, comments and blanks included
  std::vector<std::string> source_names;  // names for [SourceDisksFiles]
};

// One install section (a model of the INF) and the entry that uses it, if any.
struct Model {
  std::string section;
  std::string description;
  std::string device_id;
  std::vector<std::string> copy_items;
  std::vector<std::string> del_items;
  bool spaced_copy = false;  // written "CopyFiles = a , b" rather than "CopyFiles=a,b"
};

struct Inf {
  std::string stored_name;    // on disk
  std::string registry_name;  // the InfPath text
  std::string folder;         // below drive_c
  bool windows = false;       // listed in layout.inf
  std::size_t target = 0;     // size aimed at
  std::size_t class_index = 0;
  std::size_t users = 0;  // entries that use it
  bool largest = false;
  std::string vendor;
  std::string product;
};

// The files below drive_c other than INFs: host path -> size.
using DiskFiles = std::map<std::string, std::size_t>;

class Writer {
 public:
  explicit Writer(std::string* error) : error_(error) {}

  bool MakeFolders(const std::string& path) {
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '/') {
        if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
          return Fail("cannot create folder " + partial);
        }
      }
      if (i < path.size()) partial += path[i];
    }
    return true;
  }

  bool WriteFile(const std::string& path, std::string_view data) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && !MakeFolders(path.substr(0, slash))) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return Fail("cannot write " + path);
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0 || !ok) return Fail("cannot write " + path);
    return true;
  }

  bool Fail(const std::string& what) {
    *error_ = what + ": " + std::strerror(errno);
    return false;
  }

 private:
  std::string* error_;
};

// Text with CR LF line ends.
class Text {
 public:
  void Line(std::string_view line) {
    text_.append(line);
    text_ += "\r\n";
  }
  void Blank() { text_ += "\r\n"; }
  std::size_t size() const { return text_.size(); }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// Bulk of a vendor INF besides its file lists: registry lines and strings, with the
// comments, tabs and stray spaces that real INFs hold.
void FillerSection(Rng& rng, const std::string& name, std::size_t bytes, Text* out) {
  out->Line("[" + name + "]");
  const std::size_t start = out->size();
  int n = 0;
  while (out->size() - start < bytes) {
    const std::string param = "Param" + std::to_string(n++);
    switch (rng.Below(6)) {
      case 0:
        out->Line("HKR,Ndi\\params\\" + param + ",ParamDesc,,%" + param + ".Desc%");
        break;
      case 1:
        out->Line("HKR,Ndi\\params\\" + param + ",default,,\"" + std::to_string(rng.Below(100)) +
                  "\"");
        break;
      case 2:
        out->Line("HKR, Ndi\\params\\" + param + "\\enum , \"" + std::to_string(rng.Below(9)) +
                  "\" , , %" + param + ".Opt%   ; option");
        break;
      case 3:
        out->Line("\tHKR,,DevLoader,,*ndis");
        break;
      case 4:
        out->Line("; " + param + " is written by the setup program");
        break;
      default:
        out->Line("HKLM,System\\CurrentControlSet\\Services\\VxD\\" + param + ",Start,1,00");
        break;
    }
  }
  out->Blank();
}

// Names of driver files: 8.3, unique across the installation, stored upper case.
class NameMaker {
 public:
  std::string Next(const std::string& prefix, const std::string& extension) {
    return Upper(prefix.substr(0, 3)) + Base36(counter_++, 5) + "." + extension;
  }

 private:
  std::size_t counter_ = 0;
};

// How an INF writes a name that is stored upper case on disk.
std::string InfSpelling(Rng& rng, const std::string& stored) {
  const double r = rng.Unit();
  if (r < 0.70) return Lower(stored);
  if (r < 0.90) return stored;
  std::string mixed = Lower(stored);
  mixed[0] = stored[0];
  return mixed;
}

const std::vector<std::string>& DriverExtensions() {
  static const std::vector<std::string> ext = {"SYS", "VXD", "DRV", "DLL", "MPD", "386",
                                               "EXE", "HLP", "CPL", "INI", "ICM", "TTF"};
  return ext;
}

class Generator {
 public:
  Generator(const GeneratorOptions& options, std::string out_dir, std::string* error)
      : options_(options),
        out_(std::move(out_dir)),
        root_(out_ + "/drive_c"),
        rng_(options.seed),
        writer_(error),
        error_(error) {}

  bool Run(Manifest* manifest) {
    manifest_.parameters = ParameterLine(options_);
    PlanInfs();
    if (!WriteInfs()) return false;
    if (!WriteLayouts()) return false;
    if (!WriteRegistry()) return false;
    if (!WriteDiskFiles()) return false;
    if (!WriteBootFiles()) return false;
    if (options_.huge_inf_bytes > 0 && !WriteHugeInf()) return false;
    if (!WriteManifest()) return false;
    *manifest = manifest_;
    return true;
  }

 private:
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(options_.classes) *
           static_cast<std::size_t>(options_.entries_per_class);
  }

  // Chooses every INF's place, name, size and class, and which entry uses which.
  void PlanInfs() {
    const std::size_t entries = EntryCount();
    std::size_t count = options_.infs > 0 ? static_cast<std::size_t>(options_.infs)
                                          : std::max<std::size_t>(1, entries / 4);
    count = std::min(count, std::max<std::size_t>(1, entries));
    std::set<std::string> taken;
    for (std::size_t i = 0; i < count; ++i) {
      Inf inf;
      inf.vendor = Word(rng_, 2);
      inf.product = Word(rng_, 1) + std::to_string(rng_.Between(10, 999));
      inf.class_index = i % static_cast<std::size_t>(std::max(1, options_.classes));
      // Sizes: one INF of exactly the largest size; 2% medium (a 32nd to an 8th of
      // it); the rest small, from the smallest size to 64 KB, most near the small end.
      const std::size_t max = options_.max_inf_bytes, min = options_.min_inf_bytes;
      if (i == 0) {
        inf.target = max;
        inf.largest = true;
      } else if (rng_.Chance(0.02)) {
        inf.target = LogSize(rng_, std::max(min, max / 32), std::max(min, max / 8), 1.0);
      } else {
        inf.target = LogSize(rng_, min, std::clamp<std::size_t>(64 * 1024, min, max), 2.0);
      }
      // Places: INFs that ship with Windows sit in INF\ and are listed in the layout
      // files; vendor INFs sit mostly in INF\OTHER\, some in INF\ unlisted.
      const double place = rng_.Unit();
      inf.windows = !inf.largest && place < 0.35;
      inf.folder =
          inf.windows || (!inf.largest && place < 0.45) ? "WINDOWS/INF" : "WINDOWS/INF/OTHER";
      std::string name;
      do {
        name = Upper(inf.vendor.substr(0, 4)) + Base36(rng_.Below(36 * 36 * 36 * 36), 4) + ".INF";
      } while (!taken.insert(name).second);
      inf.stored_name = name;
      inf.registry_name = rng_.Chance(0.2) ? Lower(name) : name;
      if (inf.folder == "WINDOWS/INF/OTHER" && !inf.largest && rng_.Chance(0.03)) {
        // A long name, which the registry gives by its 8.3 alias (set below).
        inf.stored_name = inf.vendor + " " + inf.product + " Setup " + std::to_string(i) + ".INF";
      }
      infs_.push_back(std::move(inf));
    }
    // The registry names long-named INFs by the alias their folder gives them.
    std::vector<std::string> other;
    for (const Inf& inf : infs_) {
      if (inf.folder == "WINDOWS/INF/OTHER") other.push_back(inf.stored_name);
    }
    const std::vector<std::string> aliases = platform::ShortAliases(other);
    for (Inf& inf : infs_) {
      if (inf.stored_name.find(' ') == std::string::npos) continue;
      const auto at = std::find(other.begin(), other.end(), inf.stored_name);
      inf.registry_name = aliases[static_cast<std::size_t>(at - other.begin())];
    }

    // Entries: each class uses the INFs of its class; the largest INF serves one.
    const std::size_t classes = static_cast<std::size_t>(options_.classes);
    entry_inf_.assign(entries, 0);
    for (std::size_t c = 0; c < classes; ++c) {
      std::vector<std::size_t> own;
      for (std::size_t i = 0; i < infs_.size(); ++i) {
        if (infs_[i].class_index == c && !infs_[i].largest) own.push_back(i);
      }
      if (own.empty()) own.push_back(infs_.size() > 1 ? 1 + c % (infs_.size() - 1) : 0);
      for (std::size_t e = 0; e < static_cast<std::size_t>(options_.entries_per_class); ++e) {
        const std::size_t slot = c * static_cast<std::size_t>(options_.entries_per_class) + e;
        // The first INFs of the class get one entry each before any gets a second.
        entry_inf_[slot] = e < own.size() ? own[e] : rng_.Pick(own);
      }
    }
    if (entries > 0) {
      large_slot_ = rng_.Below(
          std::min<std::size_t>(entries, static_cast<std::size_t>(options_.entries_per_class)));
      entry_inf_[large_slot_] = 0;
    }
    for (std::size_t slot = 0; slot < entries; ++slot) ++infs_[entry_inf_[slot]].users;
  }

  // Writes every INF and records its models for the registry.
  bool WriteInfs() {
    entry_model_.assign(EntryCount(), nullptr);
    models_.resize(infs_.size());
    for (std::size_t i = 0; i < infs_.size(); ++i) {
      Text text;
      BuildInf(i, &text);
      const std::string path = root_ + "/" + infs_[i].folder + "/" + infs_[i].stored_name;
      if (!writer_.WriteFile(path, text.str())) return false;
      manifest_.inf_files++;
      manifest_.inf_bytes += text.size();
      if (infs_[i].largest) manifest_.large_inf_bytes = text.size();
    }
    // Entries take the models of their INF in turn.
    std::vector<std::size_t> next(infs_.size(), 0);
    for (std::size_t slot = 0; slot < EntryCount(); ++slot) {
      const std::size_t i = entry_inf_[slot];
      entry_model_[slot] = &models_[i][next[i]++ % models_[i].size()];
    }
    return true;
  }

  std::string NewList(const Inf& inf, std::size_t n, FileList* list) {
    list->name = inf.product + "." + (rng_.Chance(0.5) ? "Drivers" : "Files") + std::to_string(n);
    list->destination = PickDestination(rng_, inf.vendor, inf.product);
    return list->name;
  }

  void FillList(Rng& rng, const Inf& inf, FileList* list, std::vector<std::string>* earlier) {
    const std::size_t count = rng.Between(2, 12);
    for (std::size_t k = 0; k < count; ++k) {
      std::string written;
      std::string stored;
      if (!earlier->empty() && rng.Chance(0.08)) {
        // A name the INF lists in another section too: listed once.
        written = rng.Pick(*earlier);
      } else {
        stored = names_.Next(inf.vendor, rng.Pick(DriverExtensions()));
        written = InfSpelling(rng, stored);
        earlier->push_back(written);
        if (rng.Chance(0.88)) {
          disk_[root_ + "/" + list->destination.folder + "/" + stored] =
              LogSize(rng, 128, 32768, 1.0);
        }
      }
      std::string line = written;
      std::string source = written;
      const double r = rng.Unit();
      if (r < 0.15) {
        source = Lower(names_.Next(inf.vendor, "EX_"));
        line += rng.Chance(0.5) ? "," + source : " , " + source;
      } else if (r < 0.20) {
        line += ",,,2";
      }
      if (rng.Chance(0.1)) line += "\t; " + Word(rng, 2) + " component";
      if (rng.Chance(0.05)) line = "  " + line;
      list->lines.push_back(line);
      list->source_names.push_back(source);
    }
  }

  void BuildInf(std::size_t index, Text* out) {
    Inf& inf = infs_[index];
    Rng rng(rng_.Next());
    const std::size_t target = inf.target;
    // Counts grow with the size: hundreds of file lists in the largest INFs.
    const std::size_t list_count = std::clamp<std::size_t>(target / 5000, 1, 400);
    const std::size_t model_count = std::max<std::size_t>(inf.users, 1) + rng.Below(2) +
                                    std::min<std::size_t>(20, target / (100 * 1024));

    std::vector<FileList> lists(list_count);
    std::vector<std::string> earlier;
    for (std::size_t n = 0; n < list_count; ++n) {
      NewList(inf, n, &lists[n]);
      FillList(rng, inf, &lists[n], &earlier);
    }

    std::vector<Model>& models = models_[index];
    models.resize(model_count);
    std::vector<bool> used(list_count, false);
    for (std::size_t m = 0; m < model_count; ++m) {
      Model& model = models[m];
      model.section = inf.product + "M" + std::to_string(m) + ".Install";
      model.description = inf.vendor + " " + inf.product + " Model " + std::to_string(m) + " (" +
                          Base36(index, 3) + ")";
      model.device_id = "PCI\\VEN_" + Base36(index * 7 + 1000, 4) + "&DEV_" + Base36(m, 4);
      if (!inf.largest && rng.Chance(0.05)) continue;  // an install section without CopyFiles
      std::size_t items = rng.Between(1, 3);
      if (inf.largest && m == 0)
        items = 40;
      else if (rng.Chance(0.10))
        items = rng.Between(8, 40);
      items = std::min(items, list_count);
      const std::size_t first = (m * 3 + rng.Below(list_count)) % list_count;
      for (std::size_t k = 0; k < items; ++k) {
        const std::size_t n = (first + k) % list_count;
        used[n] = true;
        model.copy_items.push_back(lists[n].name);
      }
      if (rng.Chance(0.08)) {
        // A single file in the default destination.
        const std::string stored = names_.Next(inf.vendor, "DLL");
        disk_[root_ + "/WINDOWS/SYSTEM/" + stored] = LogSize(rng, 128, 32768, 1.0);
        model.copy_items.insert(model.copy_items.begin() + static_cast<long>(rng.Below(items)),
                                "@" + InfSpelling(rng, stored));
      }
      if (rng.Chance(0.04)) model.copy_items.push_back(inf.product + ".Missing");
      if ((inf.largest && m == 0) || rng.Chance(0.15)) {
        const std::size_t dels = std::min<std::size_t>(list_count, rng.Between(1, 2));
        for (std::size_t k = 0; k < dels; ++k) {
          model.del_items.push_back(lists[rng.Below(list_count)].name);
        }
      }
      model.spaced_copy = rng.Chance(0.3);
    }

    // Special cases, rare: a destination number the program does not know, and a
    // list without destination in an INF without a default one.
    const bool bad_number = !inf.largest && rng.Chance(0.01);
    const bool no_default = !inf.largest && rng.Chance(0.02);

    out->Line("; " + inf.stored_name + " -- " + inf.vendor + " " + inf.product + " drivers");
    out->Line("; Copyright " + inf.vendor + " Corporation, 1998");
    out->Blank();
    out->Line("[Version]");
    out->Line("Signature=\"$Chicago$\"");
    out->Line("Class=Class" + std::to_string(inf.class_index));
    out->Line("Provider=%" + inf.vendor + "%");
    out->Blank();
    out->Line("[Manufacturer]");
    out->Line("%" + inf.vendor + "%=" + inf.vendor);
    out->Blank();
    out->Line("[" + inf.vendor + "]");
    for (const Model& model : models) {
      out->Line("%" + model.section + ".Desc%=" + model.section + "," + model.device_id);
    }
    out->Blank();

    out->Line("[DestinationDirs]");
    if (!no_default) out->Line(rng.Chance(0.2) ? "DefaultDestDir\t=\t11" : "DefaultDestDir=11");
    for (std::size_t n = 0; n < list_count; ++n) {
      if (no_default && n == 0) continue;
      out->Line(lists[n].name + (rng.Chance(0.2) ? " = " : "=") + lists[n].destination.value);
    }
    if (bad_number) out->Line(inf.product + ".Legacy=99");
    out->Blank();

    // Install sections, each followed by its registry lines; sections holding other
    // CopyFiles values for the lists no model copies (optional components, which the
    // second pass walks).
    const std::size_t filler_total =
        target > out->size() + list_count * 220 ? target - out->size() - list_count * 220 : 0;
    const std::size_t filler_chunks = model_count + list_count / 4 + 1;
    const std::size_t chunk = filler_total / filler_chunks;
    for (Model& model : models) {
      out->Line("[" + model.section + "]");
      out->Line("AddReg=" + model.section + ".AddReg");
      if (!model.copy_items.empty()) {
        std::string value;
        for (const std::string& item : model.copy_items) {
          if (!value.empty()) value += model.spaced_copy ? " , " : ",";
          value += item;
        }
        out->Line((model.spaced_copy ? "CopyFiles = " : "CopyFiles=") + value);
      }
      if (!model.del_items.empty()) {
        std::string value;
        for (const std::string& item : model.del_items) value += (value.empty() ? "" : ",") + item;
        out->Line("DelFiles=" + value);
      }
      out->Blank();
      FillerSection(rng, model.section + ".AddReg", chunk, out);
    }
    std::vector<std::string> optional;
    for (std::size_t n = 0; n < list_count; ++n) {
      if (!used[n]) optional.push_back(lists[n].name);
    }
    for (std::size_t k = 0; k < optional.size(); k += 20) {
      out->Line("[" + inf.product + ".Optional" + std::to_string(k / 20) + "]");
      std::string value;
      for (std::size_t j = k; j < std::min(optional.size(), k + 20); ++j) {
        value += (value.empty() ? "" : ",") + optional[j];
      }
      out->Line("CopyFiles=" + value);
      out->Blank();
    }

    // The file lists, spread through the rest of the file among registry sections.
    for (std::size_t n = 0; n < list_count; ++n) {
      out->Line("[" + lists[n].name + "]");
      for (const std::string& line : lists[n].lines) out->Line(line);
      out->Blank();
      if (n % 4 == 3) FillerSection(rng, inf.product + ".Reg" + std::to_string(n), chunk, out);
    }

    out->Line("[SourceDisksNames]");
    out->Line("1=\"" + inf.vendor + " Driver Disk\",,0");
    out->Blank();
    out->Line("[SourceDisksFiles]");
    std::set<std::string> listed;
    for (const FileList& list : lists) {
      for (const std::string& name : list.source_names) {
        if (listed.insert(Lower(name)).second) out->Line(name + "=1");
      }
    }
    out->Blank();
    out->Line("[Strings]");
    out->Line(inf.vendor + "=\"" + inf.vendor + " Corporation\"");
    for (const Model& model : models) {
      out->Line(model.section + ".Desc=\"" + model.description + "\"");
    }
    // Whatever is still missing of the size goes into the strings.
    for (int n = 0; out->size() < target; ++n) {
      out->Line("Param" + std::to_string(n) + ".Desc=\"" + Word(rng, 3) + " setting " +
                std::to_string(n) + "\"");
    }
  }

  // layout.inf, layout1.inf, layout2.inf: the Windows INFs among many other names.
  bool WriteLayouts() {
    std::vector<std::string> windows_infs;
    for (const Inf& inf : infs_) {
      if (inf.windows) windows_infs.push_back(inf.stored_name);
    }
    const std::size_t lines[3] = {static_cast<std::size_t>(options_.layout_lines),
                                  static_cast<std::size_t>(options_.layout_lines) / 10,
                                  static_cast<std::size_t>(options_.layout_lines) / 20};
    const char* names[3] = {"layout.inf", "layout1.inf", "layout2.inf"};
    Rng rng(rng_.Next());
    NameMaker other;
    for (int f = 0; f < 3; ++f) {
      Text text;
      text.Line("; " + std::string(names[f]) + " -- Windows setup layout");
      text.Blank();
      text.Line("[Version]");
      text.Line("Signature=\"$Chicago$\"");
      text.Line("LayoutFile=" + std::string(names[f]));
      text.Blank();
      text.Line("[SourceDisksNames]");
      for (int d = 1; d <= 40; ++d) {
        text.Line(std::to_string(d) + "=\"Windows 98 CD-ROM\",WIN98_" + std::to_string(d) +
                  ".CAB,0");
      }
      text.Blank();
      text.Line("[SourceDisksFiles]");
      // Each Windows INF goes into one of the three files (most into layout.inf).
      std::vector<std::string> mine;
      for (std::size_t i = 0; i < windows_infs.size(); ++i) {
        const std::size_t home = i % 10 == 9 ? 2 : i % 10 == 8 ? 1 : 0;
        if (home == static_cast<std::size_t>(f)) mine.push_back(windows_infs[i]);
      }
      const std::size_t total = std::max(lines[f], mine.size());
      std::size_t next_inf = 0;
      for (std::size_t n = 0; n < total; ++n) {
        const bool inf_line = next_inf < mine.size() && (total - n <= mine.size() - next_inf ||
                                                         rng.Below(total) < mine.size());
        std::string name;
        if (inf_line) {
          name = rng.Chance(0.5) ? Lower(mine[next_inf]) : mine[next_inf];
          ++next_inf;
        } else {
          const double r = rng.Unit();
          name = other.Next("WIN", r < 0.1   ? "IN_"
                                   : r < 0.2 ? "PNF"
                                             : rng.Pick(DriverExtensions()));
          if (rng.Chance(0.6)) name = Lower(name);
        }
        const std::string disk = std::to_string(rng.Between(1, 40));
        const std::string size = std::to_string(rng.Between(1000, 900000));
        switch (rng.Below(8)) {
          case 0:
            text.Line(name + "   =  " + disk + ",," + size + "   ; " + Word(rng, 2));
            break;
          case 1:
            text.Line("\t" + name + " = " + disk + ",," + size + ",,,,,11,0,0");
            break;
          default:
            text.Line(name + "=" + disk + ",," + size + ",,,,_x,11,0,0,," + Word(rng, 2));
            break;
        }
      }
      text.Blank();
      text.Line("[SourceDisksFiles.x86]");
      text.Line("x86only.inf=1,,1200");
      text.Blank();
      text.Line("[Strings]");
      // layout.inf is a megabyte or more, as on a real system.
      for (int n = 0; f == 0 && text.size() < options_.layout_lines * std::size_t{52}; ++n) {
        text.Line("Str" + std::to_string(n) + "=\"" + Word(rng, 4) + " " + Word(rng, 3) + "\"");
      }
      if (f == 0) manifest_.layout_bytes = text.size();
      if (!writer_.WriteFile(root_ + "/WINDOWS/INF/" + names[f], text.str())) return false;
    }
    return true;
  }

  static std::string RegText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  }

  // system.reg: the class tree and the device tree, as regedit exports them.
  bool WriteRegistry() {
    static const std::vector<std::string> known = {
        "Display",    "MEDIA",     "Net",         "Modem",    "Ports",    "hdc",
        "Image",      "Monitor",   "Mouse",       "Keyboard", "Printer",  "System",
        "CDROM",      "DiskDrive", "fdc",         "USB",      "NetTrans", "NetClient",
        "NetService", "Adapter",   "SCSIAdapter", "PCMCIA",   "Tape",     "Infrared"};
    Text reg;
    const std::string lm = "HKEY_LOCAL_MACHINE\\";
    const std::string class_root = lm + "System\\CurrentControlSet\\Services\\Class";
    reg.Line("REGEDIT4");
    reg.Blank();
    for (const char* key :
         {"System", "System\\CurrentControlSet", "System\\CurrentControlSet\\Services",
          "System\\CurrentControlSet\\Services\\Class"}) {
      reg.Line("[" + lm + key + "]");
      reg.Blank();
    }
    // Keys that are not listed: a class named "{...}", a NoUseClass class, and a
    // class without entries.
    reg.Line("[" + class_root + "\\{4D36E96A-E325-11CE-BFC1-08002BE10318}]");
    reg.Line("@=\"Hidden by its name\"");
    reg.Blank();
    reg.Line("[" + class_root + "\\{4D36E96A-E325-11CE-BFC1-08002BE10318}\\0000]");
    reg.Line("\"DriverDesc\"=\"Never listed\"");
    reg.Blank();
    reg.Line("[" + class_root + "\\LegacyBench]");
    reg.Line("@=\"Legacy devices\"");
    reg.Line("\"NoUseClass\"=\"1\"");
    reg.Blank();
    reg.Line("[" + class_root + "\\LegacyBench\\0000]");
    reg.Line("\"DriverDesc\"=\"Never listed either\"");
    reg.Blank();
    reg.Line("[" + class_root + "\\EmptyBench]");
    reg.Line("@=\"A class without entries\"");
    reg.Blank();

    Text devices;
    devices.Line("[" + lm + "Enum]");
    devices.Blank();
    devices.Line("[" + lm + "Enum\\PCI]");
    devices.Blank();
    Rng rng(rng_.Next());
    for (std::size_t c = 0; c < static_cast<std::size_t>(options_.classes); ++c) {
      const std::string class_key = c < known.size() ? known[c] : "Class" + std::to_string(c);
      const std::string key = class_root + "\\" + class_key;
      reg.Line("[" + key + "]");
      if (c % 7 != 3) reg.Line("@=" + RegText(class_key + " devices"));
      reg.Line("\"Icon\"=\"-" + std::to_string(c + 1) + "\"");
      reg.Blank();
      for (std::size_t e = 0; e < static_cast<std::size_t>(options_.entries_per_class); ++e) {
        const std::size_t slot = c * static_cast<std::size_t>(options_.entries_per_class) + e;
        const Inf& inf = infs_[entry_inf_[slot]];
        const Model& model = *entry_model_[slot];
        char entry[24];
        std::snprintf(entry, sizeof entry, "%04zu", e);
        if (slot == large_slot_) {
          manifest_.large_class = class_key;
          manifest_.large_entry = entry;
        }
        // A few entries name an INF that is nowhere on disk.
        const bool missing = !inf.largest && slot != large_slot_ && rng.Chance(0.003);
        const std::string description = model.description + " #" + std::to_string(slot);
        reg.Line("[" + key + "\\" + entry + "]");
        reg.Line("\"DriverDesc\"=" + RegText(description));
        reg.Line("\"MatchingDeviceId\"=" +
                 RegText(model.device_id + "&SLOT_" + std::to_string(slot)));
        reg.Line("\"InfPath\"=" +
                 RegText(missing ? "GONE" + Base36(slot, 4) + ".INF" : inf.registry_name));
        reg.Line("\"InfSection\"=" + RegText(model.section));
        reg.Line("\"ProviderName\"=" + RegText(inf.vendor + " Corporation"));
        reg.Line("\"DriverDate\"=\" 6-15-1998\"");
        reg.Blank();
        ++manifest_.entries;
        if (rng.Chance(0.6)) {
          // The device, whose description is shown instead of the DriverDesc.
          const std::string dev = lm + "Enum\\" + model.device_id + "&SLOT_" + std::to_string(slot);
          devices.Line("[" + dev + "]");
          devices.Blank();
          devices.Line("[" + dev + "\\BUS_00&DEV_" + Base36(e, 2) + "&FUNC_00]");
          devices.Line("\"DeviceDesc\"=" + RegText(description + " device"));
          devices.Line("\"Class\"=" + RegText(class_key));
          devices.Line("\"Driver\"=" + RegText(class_key + "\\" + entry));
          devices.Blank();
        }
      }
      // An entry without DriverDesc, which is not listed.
      reg.Line("[" + key + "\\9999]");
      reg.Line("\"InfPath\"=\"NOWHERE.INF\"");
      reg.Blank();
    }
    return writer_.WriteFile(out_ + "/system.reg", reg.str() + devices.str());
  }

  bool WriteDiskFiles() {
    std::string content;
    for (const auto& [path, size] : disk_) {
      const std::string name = path.substr(path.rfind('/') + 1);
      content = "placeholder for " + name + "\r\n";
      while (content.size() < size) content += content.substr(0, size - content.size());
      content.resize(size);
      if (!writer_.WriteFile(path, content)) return false;
      manifest_.driver_files++;
      manifest_.driver_bytes += size;
    }
    return true;
  }

  bool WriteBootFiles() {
    return writer_.WriteFile(root_ + "/MSDOS.SYS",
                             "[Paths]\r\nWinDir=C:\\WINDOWS\r\nWinBootDir=C:\\WINDOWS\r\n"
                             "HostWinBootDrv=C\r\n\r\n[Options]\r\nBootGUI=1\r\n") &&
           writer_.WriteFile(root_ + "/WINDOWS/WIN.COM", "placeholder for WIN.COM\r\n") &&
           writer_.WriteFile(root_ + "/WINDOWS/WIN.INI", "[windows]\r\nload=\r\nrun=\r\n");
  }

  // HUGE.INF: a 50 MB INF-like text written in pieces, never held whole in memory.
  bool WriteHugeInf() {
    const std::string path = out_ + "/" + kHugeName;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return writer_.Fail("cannot write " + path);
    Rng rng(rng_.Next());
    std::size_t written = 0;
    bool ok = true;
    Text block;
    auto flush = [&](Text* text) {
      ok = ok && std::fwrite(text->str().data(), 1, text->size(), f) == text->size();
      written += text->size();
      *text = Text();
    };
    const std::size_t last_lines = 50;
    const std::size_t body = options_.huge_inf_bytes > 4096 ? options_.huge_inf_bytes - 4096 : 0;
    std::size_t section = 0;
    while (written + block.size() < body) {
      block.Line("[Huge.Section" + std::to_string(section) + "]");
      if (section % 10 == 0) {
        block.Line("CopyFiles = Huge.Files" + std::to_string(section) + " , Huge.More");
        ++manifest_.huge_copyfiles_lines;
      }
      FillerSection(rng, "Huge.Reg" + std::to_string(section), 1500, &block);
      for (int n = 0; n < 12; ++n) {
        block.Line("huge" + std::to_string(section) + "_" + std::to_string(n) + ".sys , src" +
                   std::to_string(n) + ".sy_");
      }
      block.Blank();
      ++section;
      if (block.size() > (1 << 20)) flush(&block);
    }
    manifest_.huge_last_section = "Huge.Last";
    block.Line("[" + manifest_.huge_last_section + "]");
    for (std::size_t n = 0; n < last_lines; ++n) {
      block.Line("  last" + std::to_string(n) + ".vxd\t,\tlast" + std::to_string(n) + ".vx_ ; end");
    }
    manifest_.huge_last_lines = last_lines;
    flush(&block);
    if (std::fclose(f) != 0 || !ok) return writer_.Fail("cannot write " + path);
    return true;
  }

  bool WriteManifest() {
    std::string text = "parameters=" + manifest_.parameters + "\n";
    text += "large_class=" + manifest_.large_class + "\n";
    text += "large_entry=" + manifest_.large_entry + "\n";
    text += "large_inf_bytes=" + std::to_string(manifest_.large_inf_bytes) + "\n";
    text += "huge_last_section=" + manifest_.huge_last_section + "\n";
    text += "huge_last_lines=" + std::to_string(manifest_.huge_last_lines) + "\n";
    text += "huge_copyfiles_lines=" + std::to_string(manifest_.huge_copyfiles_lines) + "\n";
    text += "inf_files=" + std::to_string(manifest_.inf_files) + "\n";
    text += "inf_bytes=" + std::to_string(manifest_.inf_bytes) + "\n";
    text += "layout_bytes=" + std::to_string(manifest_.layout_bytes) + "\n";
    text += "driver_files=" + std::to_string(manifest_.driver_files) + "\n";
    text += "driver_bytes=" + std::to_string(manifest_.driver_bytes) + "\n";
    text += "entries=" + std::to_string(manifest_.entries) + "\n";
    return writer_.WriteFile(out_ + "/" + kManifestName, text);
  }

  const GeneratorOptions options_;
  const std::string out_;
  const std::string root_;
  Rng rng_;
  Writer writer_;
  std::string* error_;
  NameMaker names_;
  std::vector<Inf> infs_;
  std::vector<std::vector<Model>> models_;  // per INF
  std::vector<std::size_t> entry_inf_;      // per entry slot
  std::vector<const Model*> entry_model_;   // per entry slot
  std::size_t large_slot_ = 0;
  DiskFiles disk_;
  Manifest manifest_;
};

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return std::remove(path) == 0 ? 0 : -1;
}

bool RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  return nftw(path.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS) == 0;
}

// Whether `dir` may be written: missing, empty, or an earlier output of ours.
bool PrepareFolder(const std::string& dir, std::string* error) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    if (errno != ENOENT) {
      *error = "cannot open " + dir + ": " + std::strerror(errno);
      return false;
    }
    return Writer(error).MakeFolders(dir);
  }
  bool empty = true, ours = false;
  while (const dirent* entry = readdir(d)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    empty = false;
    if (name == kManifestName) ours = true;
  }
  closedir(d);
  if (empty) return true;
  if (!ours) {
    *error = dir + " is neither empty nor an earlier benchmark installation; not touching it";
    return false;
  }
  // The manifest goes first, so that a half-removed folder is never taken as whole.
  for (const char* name : {kManifestName, "drive_c", "system.reg", kHugeName}) {
    if (!RemoveTree(dir + "/" + name)) {
      *error = "cannot remove " + dir + "/" + name + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

bool PresetOptions(const std::string& name, GeneratorOptions* options) {
  GeneratorOptions o;
  if (name == "tiny") {
    o.classes = 3;
    o.entries_per_class = 6;
    o.max_inf_bytes = 64 * 1024;
    o.layout_lines = 600;
    o.huge_inf_bytes = 1024 * 1024;
  } else if (name == "small") {
    o.classes = 8;
    o.entries_per_class = 25;
    o.max_inf_bytes = 512 * 1024;
    o.layout_lines = 5000;
    o.huge_inf_bytes = 10 * 1024 * 1024;
  } else if (name != "large") {
    return false;
  }
  *options = o;
  return true;
}

std::string ParameterLine(const GeneratorOptions& o) {
  return "seed " + std::to_string(o.seed) + ", classes " + std::to_string(o.classes) +
         ", entries " + std::to_string(o.entries_per_class) + ", infs " + std::to_string(o.infs) +
         ", inf bytes " + std::to_string(o.min_inf_bytes) + ".." + std::to_string(o.max_inf_bytes) +
         ", layout lines " + std::to_string(o.layout_lines) + ", huge bytes " +
         std::to_string(o.huge_inf_bytes) + ", format 1";
}

bool Generate(const GeneratorOptions& options, const std::string& out_dir, Manifest* manifest,
              std::string* error) {
  if (options.classes < 1 || options.entries_per_class < 1 || options.min_inf_bytes < 256 ||
      options.max_inf_bytes < options.min_inf_bytes || options.layout_lines < 1) {
    *error = "sizes out of range: at least one class and one entry, INF sizes from 256 bytes";
    return false;
  }
  if (!PrepareFolder(out_dir, error)) return false;
  return Generator(options, out_dir, error).Run(manifest);
}

bool ReadManifest(const std::string& out_dir, Manifest* manifest) {
  std::FILE* f = std::fopen((out_dir + "/" + kManifestName).c_str(), "rb");
  if (f == nullptr) return false;
  std::map<std::string, std::string> values;
  char line[4096];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const std::size_t eq = text.find('=');
    if (eq != std::string::npos) values[text.substr(0, eq)] = text.substr(eq + 1);
  }
  std::fclose(f);
  auto number = [&](const char* key, std::size_t* out) {
    const auto it = values.find(key);
    if (it == values.end() || it->second.empty()) return false;
    *out = std::strtoull(it->second.c_str(), nullptr, 10);
    return true;
  };
  Manifest m;
  m.parameters = values["parameters"];
  m.large_class = values["large_class"];
  m.large_entry = values["large_entry"];
  m.huge_last_section = values["huge_last_section"];
  const bool ok = !m.parameters.empty() && number("large_inf_bytes", &m.large_inf_bytes) &&
                  number("huge_last_lines", &m.huge_last_lines) &&
                  number("huge_copyfiles_lines", &m.huge_copyfiles_lines) &&
                  number("inf_files", &m.inf_files) && number("inf_bytes", &m.inf_bytes) &&
                  number("layout_bytes", &m.layout_bytes) &&
                  number("driver_files", &m.driver_files) &&
                  number("driver_bytes", &m.driver_bytes) && number("entries", &m.entries);
  if (ok) *manifest = m;
  return ok;
}

}  // namespace veskaro::bench
