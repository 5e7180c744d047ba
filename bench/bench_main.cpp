// veskaro-bench: measures, in one run, the INF reader against raw line splitting,
// the start-up, one entry analysis on the largest INF, the whole gather against
// reading its bytes at raw speed, the same gather from raw and VHD disk images of
// the installation against the gather from its folder, and the copy against cp;
// prints one table.
//
// Every time is the median of several runs on a warm page cache. The program checks
// what it measured (section lines, rows, copied files) and fails when a result is
// wrong; it never fails because something is slow.
#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/copy_files.h"
#include "app/form1.h"
#include "bench/generator.h"
#include "bench/options.h"
#include "drivers/driver_classes.h"
#include "inf/ini.h"
#include "inf/text.h"
#include "platform/offline/installation.h"
#include "platform/posix/host_file_system.h"
#include "platform/processes.h"
#include "platform/shell.h"

extern char** environ;

namespace {

using veskaro::app::Form1;
namespace platform = veskaro::platform;
namespace bench = veskaro::bench;

constexpr std::size_t kReadBlock = 64 * 1024;  // what the INF reader reads at a time

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "veskaro-bench: %s\n", what.c_str());
  std::exit(1);
}

void Check(bool ok, const std::string& what) {
  if (!ok) Die("check failed: " + what);
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Says on standard error what the program does now, with the seconds since it began.
void Progress(const char* what) {
  static const double start = Now();
  std::fprintf(stderr, "veskaro-bench: %6.1f s  %s\n", Now() - start, what);
}

// Runs `work` `runs` times and returns the median time in seconds; `before` runs
// untimed ahead of each run.
double Median(int runs, const std::function<void()>& work,
              const std::function<void()>& before = nullptr) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    if (before) before();
    const double start = Now();
    work();
    times.push_back(Now() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The limit for reading a file: read() in blocks of the reader's size, and a memchr
// line split over each block by the reader's rule (CR, LF, or CR LF as one line
// end): the next CR and the next LF are each searched for once. Returns the number
// of line ends.
std::size_t RawSplit(const std::string& host_path, std::size_t limit = SIZE_MAX) {
  const int fd = open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Die("cannot open " + host_path);
  static std::vector<char> block(kReadBlock);
  std::size_t lines = 0, done = 0;
  bool after_cr = false;  // a block that begins with LF ends no line after a CR
  while (done < limit) {
    const ssize_t got = read(fd, block.data(), std::min(block.size(), limit - done));
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
    const char* p = block.data();
    const char* end = p + got;
    if (after_cr && *p == '\n') ++p;
    auto next = [end](const char* from, char c) {
      const auto* hit =
          static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
      return hit == nullptr ? end : hit;
    };
    const char* cr = next(p, '\r');
    const char* lf = next(p, '\n');
    while (p < end) {
      if (cr < p) cr = next(p, '\r');
      if (lf < p) lf = next(p, '\n');
      const char* stop = std::min(cr, lf);
      if (stop == end) break;
      ++lines;
      p = stop + 1;
      if (*stop == '\r' && p < end && *p == '\n') ++p;
    }
    after_cr = end[-1] == '\r';
  }
  close(fd);
  return lines;
}

std::size_t FileSize(const std::string& host_path) {
  struct stat info;
  if (stat(host_path.c_str(), &info) != 0) Die("cannot stat " + host_path);
  return static_cast<std::size_t>(info.st_size);
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The resident set now, in KB (VmRSS of /proc/self/status).
long RssKb() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::atol(line + 6);
  }
  std::fclose(f);
  return kb;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return std::remove(path) == 0 ? 0 : -1;
}
void RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0) nftw(path.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS);
}

// The regular files below `root` (symbolic links followed), as sorted paths
// relative to it ("/folder/name").
std::vector<std::string>* g_found = nullptr;
std::size_t g_root_length = 0;
int FoundEntry(const char* path, const struct stat* info, int flag, struct FTW*) {
  if (flag == FTW_F && S_ISREG(info->st_mode)) g_found->emplace_back(path + g_root_length);
  return 0;
}
std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> found;
  g_found = &found;
  g_root_length = root.size();
  nftw(root.c_str(), FoundEntry, 32, 0);
  std::sort(found.begin(), found.end());
  return found;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) Die("no such folder: " + path);
  std::string out = real;
  std::free(real);
  return out;
}

// Message boxes that answer every question with Yes and remember what they showed.
class Boxes : public platform::MessageBoxes {
 public:
  platform::MsgResult Show(std::string_view text, std::string_view, platform::MsgIcon,
                           platform::MsgButtons buttons) override {
    ++shown;
    last = std::string(text);
    return buttons == platform::MsgButtons::kYesNo ? platform::MsgResult::kYes
                                                   : platform::MsgResult::kOk;
  }
  int shown = 0;
  std::string last;
};

// Passes every call on and counts lookups, opened files and the bytes read.
class CountingFileSystem : public platform::FileSystem {
 public:
  explicit CountingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

  struct Opened {
    std::string path;
    std::size_t bytes = 0;
  };

  std::string FindFirst(std::string_view path, platform::SearchKind kind) const override {
    ++lookups;
    return inner_.FindFirst(path, kind);
  }
  platform::FsStatus MakeDirectory(std::string_view path) override {
    return inner_.MakeDirectory(path);
  }
  platform::FsStatus CopyFile(std::string_view from, std::string_view to) override {
    return inner_.CopyFile(from, to);
  }
  std::unique_ptr<platform::ByteSource> OpenRead(std::string_view path,
                                                 std::string* error) override {
    auto source = inner_.OpenRead(path, error);
    if (source == nullptr) return source;
    opened.push_back({std::string(path), 0});
    return std::make_unique<Source>(std::move(source), &opened.back().bytes, &bytes);
  }
  void Reset() {
    lookups = 0;
    bytes = 0;
    opened.clear();
  }

  mutable std::size_t lookups = 0;
  std::size_t bytes = 0;
  std::deque<Opened> opened;  // a deque keeps the counters' addresses

 private:
  class Source : public platform::ByteSource {
   public:
    Source(std::unique_ptr<platform::ByteSource> inner, std::size_t* file, std::size_t* total)
        : inner_(std::move(inner)), file_(file), total_(total) {}
    std::ptrdiff_t Read(char* buffer, std::size_t capacity, std::string* error) override {
      const std::ptrdiff_t got = inner_->Read(buffer, capacity, error);
      if (got > 0) {
        *file_ += static_cast<std::size_t>(got);
        *total_ += static_cast<std::size_t>(got);
      }
      return got;
    }

   private:
    std::unique_ptr<platform::ByteSource> inner_;
    std::size_t* file_;
    std::size_t* total_;
  };
  platform::FileSystem& inner_;
};

// The main window over one file system, loaded.
struct Window {
  Window(platform::OfflineInstallation& inst, platform::FileSystem& files)
      : services{*inst.registry, files, *inst.environment, boxes, shell, processes},
        form(std::make_unique<Form1>(services, program)) {}
  Boxes boxes;
  platform::FixedFolderShell shell;
  platform::NoProcesses processes;
  veskaro::app::Services services;
  veskaro::app::ProgramState program;
  std::unique_ptr<Form1> form;
};

// Chooses the class and finds the entry that the manifest names; returns the entry's
// index in Combo2.
int ChooseLargeEntry(Form1& form, const bench::Manifest& manifest) {
  int class_row = -1;
  for (int i = 0; i < form.Combo3.count(); ++i) {
    if (veskaro::drivers::KeyPart(form.Combo3.row(i)) == manifest.large_class) class_row = i;
  }
  Check(class_row >= 0, "the large entry's class is listed");
  form.Combo1.set_list_index(class_row);
  const std::string wanted = manifest.large_class + "\\" + manifest.large_entry;
  for (int j = 0; j < form.Combo4.count(); ++j) {
    if (veskaro::drivers::KeyPart(form.Combo4.row(j)) == wanted) return j;
  }
  Die("the large entry " + wanted + " is not listed");
}

// Runs `program` (found on PATH) with `args` and waits for it to succeed.
void Run(const std::string& program, std::vector<std::string> args) {
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    Die("cannot run " + program);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Check(WIFEXITED(status) && WEXITSTATUS(status) == 0, program + " succeeded");
}

void RunCp(std::vector<std::string> args) { Run("cp", std::move(args)); }

// The raw and VHD disk images of the installation in `data`, written by
// make_image.sh when missing or made from other options; returns their prefix.
std::string DiskImages(const std::string& data, const bench::Manifest& manifest) {
  const std::string prefix = data + "/disk";
  const std::string stamp = prefix + ".parameters";
  std::string made;
  if (std::FILE* f = std::fopen(stamp.c_str(), "r")) {
    char line[1024] = {};
    if (std::fgets(line, sizeof line, f) != nullptr) made = line;
    std::fclose(f);
  }
  struct stat info;
  if (made != manifest.parameters || stat((prefix + ".vhd").c_str(), &info) != 0) {
    Progress("writing the disk images");
    std::remove(stamp.c_str());
    Run(VESKARO_BENCH_IMAGE_SCRIPT, {data + "/drive_c", prefix});
    std::FILE* f = std::fopen(stamp.c_str(), "w");
    if (f == nullptr) Die("cannot write " + stamp);
    std::fputs(manifest.parameters.c_str(), f);
    std::fclose(f);
  }
  return prefix;
}

std::string Time(double seconds) {
  char text[32];
  if (seconds >= 1)
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  else
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
  return text;
}

std::string Bytes(double bytes) {
  char text[32];
  if (bytes >= 1e9)
    std::snprintf(text, sizeof text, "%.2f GB", bytes / 1e9);
  else if (bytes >= 1e6)
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  else
    std::snprintf(text, sizeof text, "%.0f KB", bytes / 1e3);
  return text;
}

std::string Rate(double bytes, double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f GB/s", bytes / seconds / 1e9);
  return text;
}

std::string Ratio(double ratio) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f×", ratio);
  return text;
}

struct Row {
  std::string measure, time, work, rate, baseline, ratio, target;
};

void PrintTable(const std::vector<Row>& rows) {
  std::printf("| measure | time | work | rate | baseline | ratio | target |\n");
  std::printf("|---|---:|---|---:|---|---:|---|\n");
  for (const Row& r : rows) {
    std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", r.measure.c_str(), r.time.c_str(),
                r.work.c_str(), r.rate.c_str(), r.baseline.c_str(), r.ratio.c_str(),
                r.target.c_str());
  }
}

// The kind of file system that holds `path`.
std::string FileSystemName(const std::string& path) {
  struct statfs info;
  if (statfs(path.c_str(), &info) != 0) return "unknown file system";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:
      return "ext4";
    case 0x01021994:
      return "tmpfs";
    case 0x58465342:
      return "XFS";
    case 0x9123683E:
      return "Btrfs";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "file system 0x%lx",
                    static_cast<unsigned long>(info.f_type));
      return text;
    }
  }
}

std::string CpuModel() {
  std::FILE* f = std::fopen("/proc/cpuinfo", "r");
  if (f == nullptr) return "unknown CPU";
  char line[512];
  std::string model = "unknown CPU";
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, "model name", 10) == 0) {
      const char* colon = std::strchr(line, ':');
      if (colon != nullptr) {
        model = colon + 2;
        if (!model.empty() && model.back() == '\n') model.pop_back();
      }
      break;
    }
  }
  std::fclose(f);
  return model;
}

const char kHelp[] =
    "Usage: veskaro-bench [OPTIONS]\n"
    "Generates (or reuses) a synthetic installation and measures the INF reader, the\n"
    "start-up, one entry analysis, the gather and the copy; prints one Markdown table.\n\n"
    "  --data DIR          where the installation is generated and reused\n"
    "                      (default: " VESKARO_BENCH_DATA_DIR
    "/<preset>-s<seed>)\n"
    "  --runs N            runs per measure, the median is shown (default 5)\n"
    "  --no-copy           leave out the copy and cp (they write to the disk)\n"
    "  --copy-dir DIR      where the copy and cp write (default: the data folder);\n"
    "                      they run min(runs, 3) times each\n"
    "  --reader-only       measure the INF reader only (for a memory profiler)\n"
    "  --no-images         leave out the gather from disk images of the installation\n";

}  // namespace

int main(int argc, char** argv) {
  bench::GeneratorOptions options;
  std::string preset = "large";
  std::string data;
  int runs = 5;
  bool copy_too = true;
  bool reader_only = false;
  bool images_too = true;
  std::string copy_dir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf("%s%s", kHelp, bench::kSizeOptionsHelp);
      return 0;
    }
    if (arg == "--no-copy") {
      copy_too = false;
      continue;
    }
    if (arg == "--reader-only") {
      reader_only = true;
      continue;
    }
    if (arg == "--no-images") {
      images_too = false;
      continue;
    }
    if (i + 1 >= argc) Die("option " + arg + " needs a value (see --help)");
    const std::string value = argv[++i];
    if (arg == "--data") {
      data = value;
    } else if (arg == "--copy-dir") {
      copy_dir = value;
    } else if (arg == "--runs") {
      runs = std::max(1, std::atoi(value.c_str()));
    } else if (!bench::ApplySizeOption(arg, value, &options, &preset)) {
      Die("bad option " + arg + " " + value + " (see --help)");
    }
  }
  if (options.huge_inf_bytes == 0) Die("the reader needs HUGE.INF: --huge-mb must be above 0");
  if (data.empty()) {
    data = std::string(VESKARO_BENCH_DATA_DIR) + "/" + preset + "-s" + std::to_string(options.seed);
  }

  // The installation: reused when an earlier run wrote it with the same options.
  bench::Manifest manifest;
  double generate_seconds = -1;
  if (!bench::ReadManifest(data, &manifest) ||
      manifest.parameters != bench::ParameterLine(options)) {
    Progress(("generating " + data).c_str());
    std::string error;
    const double start = Now();
    if (!bench::Generate(options, data, &manifest, &error)) Die(error);
    generate_seconds = Now() - start;
  }
  data = RealPath(data);
  std::vector<Row> rows;

  Progress("the INF reader");
  // 1. The INF reader on HUGE.INF against raw line splitting of the same bytes.
  const std::string huge_host = data + "/HUGE.INF";
  const std::string huge = platform::HostToWindowsPath(huge_host);
  const double huge_bytes = static_cast<double>(FileSize(huge_host));
  platform::HostFileSystem host(platform::HostDrives(), {});
  const long rss_before = PeakRssKb();
  const double raw = Median(runs, [&] { Check(RawSplit(huge_host) > 0, "HUGE.INF has lines"); });
  const double section = Median(runs, [&] {
    const auto lines = veskaro::inf::GetIniSection(host, huge, manifest.huge_last_section);
    Check(lines && lines->size() == manifest.huge_last_lines,
          "last section of HUGE.INF read whole");
  });
  const double values = Median(runs, [&] {
    const auto found = veskaro::inf::FindIniValues(host, huge, "CopyFiles");
    Check(found && found->size() == manifest.huge_copyfiles_lines, "every CopyFiles of HUGE.INF");
  });
  const long rss_growth = PeakRssKb() - rss_before;
  const double raw_rate = huge_bytes / raw;
  rows.push_back({"raw read + memchr line split, HUGE.INF", Time(raw), Bytes(huge_bytes),
                  Rate(huge_bytes, raw), "", "", ""});
  rows.push_back({"GetIniSection, last section of HUGE.INF", Time(section), Bytes(huge_bytes),
                  Rate(huge_bytes, section), "raw split", Ratio(raw / section), "≥ 0.5×"});
  rows.push_back({"FindIniValues CopyFiles, HUGE.INF", Time(values), Bytes(huge_bytes),
                  Rate(huge_bytes, values), "raw split", Ratio(raw / values), "≥ 0.5×"});

  if (reader_only) {
    PrintTable(rows);
    std::printf("\nPeak memory grew by %ld KB while HUGE.INF was read.\n", rss_growth);
    return 0;
  }

  // The installation, as the command-line program opens it.
  platform::InstallationOptions open_options;
  open_options.root = data + "/drive_c";
  std::string error;
  const double open_start = Now();
  auto installation = platform::OpenInstallation(open_options, &error);
  const double open_seconds = Now() - open_start;
  if (installation == nullptr) Die(error);
  auto* files = dynamic_cast<platform::HostFileSystem*>(installation->files.get());
  Check(files != nullptr, "the installation's files are a host file system");
  CountingFileSystem counting(*installation->files);

  Progress("start-up");
  // 2. Start-up: the Windows INF index and the class list.
  double startup = Median(runs, [&] {
    Window window(*installation, *installation->files);
    window.form->Load();
    Check(window.form->Combo1.count() == options.classes, "every class listed");
  });
  Window counted(*installation, counting);
  counted.form->Load();
  const std::size_t startup_bytes = counting.bytes;
  rows.push_back({"start-up: INF index + class list", Time(startup),
                  Bytes(static_cast<double>(startup_bytes)) + " read",
                  Rate(static_cast<double>(startup_bytes), startup), "", "", ""});

  Progress("one entry analysis");
  // 3. One entry analysis on the largest INF.
  Window window(*installation, *installation->files);
  Form1& form = *window.form;
  form.Load();
  const int large = ChooseLargeEntry(form, manifest);
  const double entry = Median(
      runs, [&] { form.Combo2.set_list_index(large); }, [&] { form.Combo2.set_list_index(-1); });
  const int entry_rows = form.List1.count();
  Check(entry_rows > 1 && form.List2.count() == entry_rows, "the large entry lists its files");
  Check(form.Text1.text().find("Total Files - " + std::to_string(entry_rows)) != std::string::npos,
        "the large entry's verdict counts its rows");
  counting.Reset();
  const int counted_large = ChooseLargeEntry(*counted.form, manifest);
  counted.form->Combo2.set_list_index(counted_large);
  const std::size_t entry_bytes = counting.bytes;
  const std::size_t entry_opens = counting.opened.size();
  const std::size_t entry_lookups = counting.lookups;
  const double entry_raw = static_cast<double>(entry_bytes) / raw_rate;
  rows.push_back(
      {"one entry analysis, " + Bytes(static_cast<double>(manifest.large_inf_bytes)) + " INF",
       Time(entry),
       Bytes(static_cast<double>(entry_bytes)) + " read in " + std::to_string(entry_opens) +
           " opens, " + std::to_string(entry_lookups) + " lookups, " + std::to_string(entry_rows) +
           " rows",
       Rate(static_cast<double>(entry_bytes), entry), "same bytes at raw rate",
       Ratio(entry / entry_raw), ""});

  Progress("the gather");
  // 4. The gather over the whole installation.
  const double gather = Median(runs, [&] { form.Command1Click(); });
  const int gathered = form.List1.count();
  Check(gathered > 0 && form.List2.count() == gathered, "the gather lists rows in both lists");
  Check(form.Text1.text().find("Total Files - " + std::to_string(gathered)) != std::string::npos,
        "the gather's closing message counts its rows");
  counting.Reset();
  counted.form->Command1Click();
  Check(counted.form->List1.rows() == form.List1.rows(), "the counted gather lists the same rows");
  const double gather_bytes = static_cast<double>(counting.bytes);
  const double gather_raw = gather_bytes / raw_rate;
  // For comparison: the same files, opened and read as far as the gather read them.
  std::vector<std::pair<std::string, std::size_t>> replay;
  for (const auto& opened : counting.opened) {
    replay.emplace_back(files->ToHostPath(opened.path), opened.bytes);
  }
  const double replay_time = Median(runs, [&] {
    for (const auto& [path, bytes] : replay) RawSplit(path, bytes);
  });
  rows.push_back({"gather (" + std::to_string(manifest.entries) + " entries)", Time(gather),
                  Bytes(gather_bytes) + " read in " + std::to_string(counting.opened.size()) +
                      " opens, " + std::to_string(counting.lookups) + " lookups, " +
                      std::to_string(gathered) + " rows",
                  Rate(gather_bytes, gather), "same bytes at raw rate: " + Time(gather_raw),
                  Ratio(gather / gather_raw), "≤ 3×, < 1 s"});
  rows.push_back({"(raw re-read of the gather's opens)", Time(replay_time), "", "", "gather / this",
                  Ratio(gather / replay_time), ""});

  // 5. The same gather from disk images of the installation: an MBR disk with one
  // FAT32 partition, raw and as a dynamic VHD, read through The Sleuth Kit.
  std::string image_note;
  if (images_too) {
    const std::string prefix = DiskImages(data, manifest);
    for (const auto& [format, target] : {std::pair<std::string, std::string>{"raw", "≤ 1.5×"},
                                         std::pair<std::string, std::string>{"VHD", "≤ 2×"}}) {
      Progress(("the gather from the " + format + " image").c_str());
      const std::string path = prefix + (format == "raw" ? ".img" : ".vhd");
      const long rss_before = RssKb();
      platform::InstallationOptions image_options;
      image_options.image = path;
      image_options.registry_file = data + "/system.reg";  // as the folder's, beside it
      const double start = Now();
      auto on_image = platform::OpenInstallation(image_options, &error);
      const double opened = Now() - start;
      if (on_image == nullptr) Die(error);
      Window image_window(*on_image, *on_image->files);
      image_window.form->Load();
      const double image_gather = Median(runs, [&] { image_window.form->Command1Click(); });
      Check(image_window.form->List1.rows() == form.List1.rows() &&
                image_window.form->List2.rows() == form.List2.rows(),
            "the gather from the " + format + " image lists the folder's rows");
      const long rss_growth_kb = RssKb() - rss_before;
      rows.push_back({"gather from the " + format + " image", Time(image_gather),
                      "opened (every folder indexed) in " + Time(opened) + "; resident set +" +
                          Bytes(static_cast<double>(rss_growth_kb) * 1e3),
                      Rate(gather_bytes, image_gather), "gather from the folder",
                      Ratio(image_gather / gather), target});
      image_note += " The " + format + " image is " + Bytes(static_cast<double>(FileSize(path))) +
                    ".";
    }
  }

  Progress("the copy and cp");
  // 6. The copy of the gathered list against cp of the same files into the same
  // driver folders under the same names: "cp -rL" of a tree of symbolic links laid
  // out as the copy lays out its output. Runs alternate, each into a fresh folder;
  // all are removed at the end (removing between runs would make the later runs pay
  // for the file system's care with recently freed inodes).
  std::string copy_note;
  if (copy_too) {
    const std::string copies =
        (copy_dir.empty() ? data : RealPath(copy_dir)) + "/veskaro-bench-copies";
    RemoveTree(copies);
    mkdir(copies.c_str(), 0777);
    const std::string stage = copies + "/stage";
    mkdir(stage.c_str(), 0777);
    for (int i = 0; i < gathered; ++i) {
      const std::vector<std::string> fields = veskaro::inf::Split(form.List2.row(i), "||");
      const std::string folder = stage + "/" + veskaro::app::DriverFolderName(fields.at(1));
      mkdir(folder.c_str(), 0777);
      const std::string link =
          folder + "/" +
          veskaro::app::StoredName(form.List1.row(i), fields.size() >= 3 ? &fields[2] : nullptr);
      std::remove(link.c_str());  // a later row of the same name replaces an earlier one
      Check(symlink(files->ToHostPath(form.List1.row(i)).c_str(), link.c_str()) == 0,
            "staging " + link);
    }
    const std::vector<std::string> staged = FilesBelow(stage);
    double copied_bytes = 0;
    for (const std::string& f : staged) copied_bytes += static_cast<double>(FileSize(stage + f));
    std::vector<double> copy_times, cp_times;
    const int copy_runs = std::min(runs, 3);  // each writes and removes two trees
    copy_note = " The copy and cp wrote below " + copies.substr(0, copies.rfind('/')) + " (" +
                FileSystemName(copies) + "), median of " + std::to_string(copy_runs) + " runs.";
    for (int r = 0; r < copy_runs; ++r) {
      const std::string mine = copies + "/veskaro" + std::to_string(r);
      const std::string theirs = copies + "/cp" + std::to_string(r);
      mkdir(mine.c_str(), 0777);
      window.shell.folder = platform::HostToWindowsPath(mine);
      // Which of the two goes first alternates: the first may find the disk busier.
      for (int turn = 0; turn < 2; ++turn) {
        sync();
        const double start = Now();
        if ((turn + r) % 2 == 0) {
          form.CopyToClick();
          copy_times.push_back(Now() - start);
          Check(window.boxes.last == "Files Copied Successfully",
                "the copy succeeded: " + window.boxes.last);
        } else {
          RunCp({"-rL", stage, theirs});
          cp_times.push_back(Now() - start);
        }
      }
      Check(FilesBelow(mine) == staged && FilesBelow(theirs) == staged,
            "the copy and cp wrote the same files");
    }
    Progress("removing the copies");
    RemoveTree(copies);
    std::sort(copy_times.begin(), copy_times.end());
    std::sort(cp_times.begin(), cp_times.end());
    const double copy = copy_times[copy_times.size() / 2];
    const double cp = cp_times[cp_times.size() / 2];
    std::set<std::string> folders;
    for (const std::string& f : staged) folders.insert(f.substr(0, f.rfind('/')));
    const std::string work = std::to_string(staged.size()) + " files (" + Bytes(copied_bytes) +
                             ") in " + std::to_string(folders.size()) + " driver folders";
    rows.push_back({"copy of the gathered list (" + std::to_string(gathered) + " rows)", Time(copy),
                    work, Rate(copied_bytes, copy), "", "", ""});
    rows.push_back({"cp -rL of the same files into the same folders", Time(cp), work,
                    Rate(copied_bytes, cp), "cp", Ratio(cp / copy), "copy ≥ 0.8× cp"});
  }

  Progress("done");
  std::printf("Veskaro benchmark, preset %s (%s)\n\n", preset.c_str(), manifest.parameters.c_str());
  std::printf(
      "Installation: %zu entries, %zu INF files (%s, largest %s), layout.inf %s, "
      "%zu driver files (%s); HUGE.INF %s.\n",
      manifest.entries, manifest.inf_files, Bytes(static_cast<double>(manifest.inf_bytes)).c_str(),
      Bytes(static_cast<double>(manifest.large_inf_bytes)).c_str(),
      Bytes(static_cast<double>(manifest.layout_bytes)).c_str(), manifest.driver_files,
      Bytes(static_cast<double>(manifest.driver_bytes)).c_str(), Bytes(huge_bytes).c_str());
  std::printf(
      "Machine: %u CPUs, %s. Median of %d runs, warm page cache.%s\n\n",
      std::thread::hardware_concurrency(), CpuModel().c_str(), runs,
      generate_seconds >= 0 ? (" Generated in " + Time(generate_seconds) + ".").c_str() : "");
  PrintTable(rows);
  std::printf(
      "\nOpening the installation (registry load): %s. Peak memory grew by %ld KB "
      "while HUGE.INF was read.%s%s\n",
      Time(open_seconds).c_str(), rss_growth, image_note.c_str(), copy_note.c_str());
  return 0;
}
