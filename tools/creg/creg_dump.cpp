#include "tools/creg/creg_dump.h"

#include <libcreg.h>

#include <array>
#include <memory>

namespace veskaro::tools {
namespace {

class Dumper {
 public:
  explicit Dumper(std::string* error) : error_(error) {}
  ~Dumper() {
    if (err_ != nullptr) libcreg_error_free(&err_);
  }

  bool Walk(libcreg_key_t* key, platform::MemoryRegistry::Key& into) {
    int values = 0;
    if (libcreg_key_get_number_of_values(key, &values, &err_) != 1) return Fail();
    for (int i = 0; i < values; ++i) {
      libcreg_value_t* value = nullptr;
      if (libcreg_key_get_value_by_index(key, i, &value, &err_) != 1) return Fail();
      platform::MemoryRegistry::Value out;
      std::size_t name_size = 0;
      std::size_t data_size = 0;
      bool ok = libcreg_value_get_name_size(value, &name_size, &err_) == 1 &&
                libcreg_value_get_value_type(value, &out.type, &err_) == 1 &&
                libcreg_value_get_value_data_size(value, &data_size, &err_) == 1;
      out.name.resize(name_size);
      out.data.resize(data_size);
      ok = ok &&
           (name_size == 0 ||
            libcreg_value_get_name(value, Bytes(out.name), name_size, &err_) == 1) &&
           (data_size == 0 ||
            libcreg_value_get_value_data(value, Bytes(out.data), data_size, &err_) == 1);
      libcreg_value_free(&value, nullptr);
      if (!ok) return Fail();
      into.values.push_back(std::move(out));
    }
    int subkeys = 0;
    if (libcreg_key_get_number_of_sub_keys(key, &subkeys, &err_) != 1) return Fail();
    for (int i = 0; i < subkeys; ++i) {
      libcreg_key_t* sub = nullptr;
      if (libcreg_key_get_sub_key_by_index(key, i, &sub, &err_) != 1) return Fail();
      std::size_t name_size = 0;
      auto child = std::make_unique<platform::MemoryRegistry::Key>();
      bool ok = libcreg_key_get_name_size(sub, &name_size, &err_) == 1;
      child->name.resize(name_size);
      ok = ok &&
           (name_size == 0 || libcreg_key_get_name(sub, Bytes(child->name), name_size, &err_) == 1);
      ok = ok && Walk(sub, *child);
      libcreg_key_free(&sub, nullptr);
      if (!ok) return false;
      into.subkeys.push_back(std::move(child));
    }
    return true;
  }

  bool Fail() {
    std::array<char, 4096> text{};
    if (err_ != nullptr) libcreg_error_backtrace_sprint(err_, text.data(), text.size());
    *error_ = text.data();
    return false;
  }

  libcreg_error_t** err() { return &err_; }

 private:
  static std::uint8_t* Bytes(std::string& s) { return reinterpret_cast<std::uint8_t*>(s.data()); }

  std::string* error_;
  libcreg_error_t* err_ = nullptr;
};

}  // namespace

bool DumpCreg(const std::string& path, platform::MemoryRegistry::Key* root, std::string* error) {
  Dumper dumper(error);
  libcreg_file_t* file = nullptr;
  if (libcreg_file_initialize(&file, dumper.err()) != 1) return dumper.Fail();
  bool ok = libcreg_file_open(file, path.c_str(), LIBCREG_OPEN_READ, dumper.err()) == 1;
  if (ok) {
    libcreg_key_t* top = nullptr;
    ok = libcreg_file_get_root_key(file, &top, dumper.err()) == 1;
    if (ok)
      ok = dumper.Walk(top, *root);
    else
      dumper.Fail();
    if (top != nullptr) libcreg_key_free(&top, nullptr);
    libcreg_file_close(file, nullptr);
  } else {
    dumper.Fail();
  }
  libcreg_file_free(&file, nullptr);
  return ok;
}

}  // namespace veskaro::tools
