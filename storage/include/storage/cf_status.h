#pragma once
// The file API's code for each status number 0..36 of the file layer.
#include <array>
#include <cstdint>

#include "storage/cf.h"

inline constexpr std::array<int16_t, 37> kCfStatusTable = {
    kCfOk,        kCfMediumError, kCfMediumError, kCfMediumError, kCfNotFound,    kCfNotAFile,    kCfRefused,
    kCfNotAFile,  kCfFull,        kCfEndOfFile,   kCfFull,        kCfExists,      kCfInvalid,     kCfNotFound,
    kCfNotFound,  kCfExists,      kCfFull,        kCfDriveAbsent, kCfInvalid,     kCfInvalid,     kCfInvalid,
    kCfInvalid,   kCfInvalid,     kCfInvalid,     kCfInvalid,     kCfInvalid,     kCfMediumError, kCfMediumError,
    kCfMediumError, kCfMediumError, kCfMediumError, kCfMediumError, kCfMediumError, kCfMediumError, kCfMediumError,
    kCfFull,      kCfInvalid};
