#pragma once
// Files of the unit's internal flash (/mnt/cfg): reads that never pass what the caller
// can hold, and writes that replace a file only once its new content is whole. A writer
// fills "<name>.new" beside the file and renames it over the file on Commit; a writer
// that is dropped without a successful Commit removes its partial file, so the previous
// file stays as it was.
//
// The scan saves ladder.pgm after an online change, and the scan may run inside a time
// slice: opening, writing and committing a file allocate nothing and use only
// async-signal-safe calls (paths are mapped into fixed buffers). Only the first write
// into a missing directory, which never happens on the unit, creates it with
// allocation.

#include <cstddef>
#include <cstdint>

class CfgReader {
 public:
  explicit CfgReader(const char* unit_path);
  // Reads the bytes of a file already in memory (size bytes at data, kept by the caller).
  CfgReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  ~CfgReader();
  CfgReader(const CfgReader&) = delete;
  CfgReader& operator=(const CfgReader&) = delete;

  bool open() const { return fd_ >= 0 || data_ != nullptr; }
  // The file does not exist (a file that exists but cannot be opened is not missing).
  bool missing() const { return missing_; }
  // Reads up to n bytes; the count read (short at the end of the file or on an error).
  std::size_t Read(void* destination, std::size_t n);

 private:
  int fd_ = -1;
  bool missing_ = false;
  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t at_ = 0;
};

class CfgWriter {
 public:
  // Creates the temporary file (mode 0600, truncated).
  explicit CfgWriter(const char* unit_path);
  ~CfgWriter();
  CfgWriter(const CfgWriter&) = delete;
  CfgWriter& operator=(const CfgWriter&) = delete;

  bool open() const { return fd_ >= 0; }
  // Writes n bytes; the count written (short on an error, such as a full file system).
  std::size_t Write(const void* source, std::size_t n);
  // fsync of the file so far.
  bool Sync();
  // Closes the file and puts it in place of the target. With sync the directory is
  // synced too, so the new name survives a power loss. False when anything failed.
  bool Commit(bool sync);

 private:
  static constexpr std::size_t kPathMax = 1024;
  char target_[kPathMax] = {};
  char temp_[kPathMax] = {};
  int fd_ = -1;
};

// The steps of a writer, in the order they reached the disk, for tests that check that a
// replaced file survives a power loss: each write, the file's fsync, the rename over the
// target and the directory's fsync (each reported once it succeeded; target is the host
// path of the file being replaced). The observer runs where the writer runs, a
// time-slice pass included; nullptr (the default) observes nothing.
enum class CfgStep : uint8_t { kWrite, kFsync, kRename, kDirFsync };
using CfgStepObserver = void (*)(CfgStep step, const char* target);
void CfgObserveSteps(CfgStepObserver observer);

// Removes a file; true when it is gone (a missing file counts as gone).
bool CfgRemove(const char* unit_path);
