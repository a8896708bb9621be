#pragma once
// Helpers shared by the file API's files.
#include <cstdint>

#include "cf_media.h"
#include "storage/cf.h"

// The file layer's status as a CfStatus, remembered in CfResult.
int CfDecode(int fxe_status);

// The media record a path names. A path without a drive letter is on the given drive
// (A for a number other than 1 or 2). out receives the path with its letter (at most
// kCfPathBytes - 1 characters), so that the file layer maps it to that drive.
CfMedia* CfDriveChk(int drive, const char* path, char* out);
// Length of a leading "X:" (2), else 0.
int CfLetterLength(const char* path);
// Whether an entry's upper-case name part matches its pattern part.
bool CfPatternCmp(const char* entry, const char* pattern);
// Upper-cases text in place.
void CfUpper(char* text);

// Gathers bytes in one 512-byte buffer and writes it whenever it fills; length 0 writes
// out what is gathered. The count taken, or -1 on a write failure (status in CfResult).
int CfWriteBuffered(CfFile* file, const void* data, uint32_t length);
void CfWriteBufferReset();

// Back to power-on (tree depth, listings' patterns).
void CfDirsReset();
