// Fault injection under the file operations. Linked only into the tests of
// tests/fault/: the object defines open, write, fsync, rename, unlink and
// their relatives, which take the place of the C library's for the whole
// test program (the core's own calls and those made inside the C++
// library alike). Unarmed they pass every call on; armed, they count the
// calls of the chosen kinds and make the N-th fail with the chosen error.
// The program that ships never contains this object, so the operations
// cost nothing extra there.
#pragma once

#include <functional>
#include <string>

namespace faults {

enum Kind : unsigned {
  kOpen = 1,    // open, openat, creat, mkstemp and their 64-bit names
  kWrite = 2,   // write, pwrite, copy_file_range
  kFsync = 4,   // fsync, fdatasync
  kRename = 8,  // rename, renameat, renameat2
  kUnlink = 16, // unlink, unlinkat, remove
  kAll = 31,
};

// From now on counts the calls of `kinds`; the `failAt`-th (from 1) fails
// with `error`. Writes to standard input, output and error are not counted.
void Arm(int failAt, int error, unsigned kinds = kAll);
// Stops counting and failing.
void Disarm();
// Calls counted since Arm.
int Calls();
// Whether the armed failure happened.
bool Fired();
// The kind of the call that failed, as a word ("open", "write", ...).
std::string FiredKind();

// What one run under a fault gave.
struct Outcome {
  int failAt = 0;   // the call made to fail
  int error = 0;    // with this errno
  bool fired = false;
  std::string kind;  // of the failed call
};

// Runs `operation` once for every call it makes: with call 1 failing, then
// call 2, and so on, until a run makes fewer calls than the one to fail.
// `prepare` sets up a fresh world before each run (it runs unarmed);
// `verify` checks the world after it (also unarmed). Returns the number of
// runs. Every error of `errors` is tried in turn.
int ForEveryCall(const std::function<void()>& prepare, const std::function<void()>& operation,
                 const std::function<void(const Outcome&)>& verify,
                 std::initializer_list<int> errors, unsigned kinds = kAll);

}  // namespace faults
