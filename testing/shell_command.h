// Running a shell command from a test and collecting what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "testing/temp_folder.h"

namespace veskaro::testing {

/// What a command did: its exit status (-1 when it did not exit normally), its
/// standard output and its standard error.
struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

/// `arg` quoted for the shell, whatever bytes it holds.
inline std::string ShellQuote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

/// Runs the shell command `command` with an empty standard input; its standard
/// error goes through the file `err`.
inline CommandResult RunShell(std::string command, const std::filesystem::path& err) {
  command += " 2>" + ShellQuote(err.string()) + " </dev/null";
  CommandResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadFile(err);
  return r;
}

}  // namespace veskaro::testing
