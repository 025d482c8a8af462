// SPDX-License-Identifier: MIT
#include "MemoryFile.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace quillet {
namespace {

struct MemoryFile {
    sqlite3_file base;
    std::vector<unsigned char>* bytes;
};

std::vector<unsigned char>& bytesOf(sqlite3_file* file) {
    return *reinterpret_cast<MemoryFile*>(file)->bytes;
}

int memoryClose(sqlite3_file* file) {
    auto* self = reinterpret_cast<MemoryFile*>(file);
    delete self->bytes;
    self->bytes = nullptr;
    return SQLITE_OK;
}

int memoryRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    const auto& bytes = bytesOf(file);
    const auto size = static_cast<sqlite3_int64>(bytes.size());
    const sqlite3_int64 have = std::clamp<sqlite3_int64>(size - offset, 0, amount);
    if (have > 0)
        std::memcpy(buffer, bytes.data() + offset, have);
    if (have == amount)
        return SQLITE_OK;
    std::memset(static_cast<unsigned char*>(buffer) + have, 0, amount - have);
    return SQLITE_IOERR_SHORT_READ;
}

int memoryWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    auto& bytes = bytesOf(file);
    try {
        if (static_cast<sqlite3_int64>(bytes.size()) < offset + amount)
            bytes.resize(offset + amount);
    } catch (const std::bad_alloc&) {
        return SQLITE_IOERR_NOMEM;
    }
    std::memcpy(bytes.data() + offset, buffer, amount);
    return SQLITE_OK;
}

int memoryTruncate(sqlite3_file* file, sqlite3_int64 size) {
    auto& bytes = bytesOf(file);
    if (size < static_cast<sqlite3_int64>(bytes.size()))
        bytes.resize(size);
    return SQLITE_OK;
}

int memoryFileSizeOf(sqlite3_file* file, sqlite3_int64* size) {
    *size = static_cast<sqlite3_int64>(bytesOf(file).size());
    return SQLITE_OK;
}

int memorySync(sqlite3_file*, int) {
    return SQLITE_OK;
}
int memoryLock(sqlite3_file*, int) {
    return SQLITE_OK;
}
int memoryCheckReservedLock(sqlite3_file*, int* out) {
    *out = 0;
    return SQLITE_OK;
}
int memoryFileControl(sqlite3_file*, int, void*) {
    return SQLITE_NOTFOUND;
}
int memorySectorSize(sqlite3_file*) {
    return 4096;
}
int memoryDeviceCharacteristics(sqlite3_file*) {
    return SQLITE_IOCAP_ATOMIC | SQLITE_IOCAP_SAFE_APPEND | SQLITE_IOCAP_SEQUENTIAL |
           SQLITE_IOCAP_POWERSAFE_OVERWRITE;
}

const sqlite3_io_methods kMemoryMethods = {
    1,
    memoryClose,
    memoryRead,
    memoryWrite,
    memoryTruncate,
    memorySync,
    memoryFileSizeOf,
    memoryLock,
    memoryLock,
    memoryCheckReservedLock,
    memoryFileControl,
    memorySectorSize,
    memoryDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

} // namespace

std::size_t memoryFileSize() {
    return sizeof(MemoryFile);
}

int openMemoryFile(sqlite3_file* file, int flags, int* outFlags) {
    auto* self = reinterpret_cast<MemoryFile*>(file);
    self->base.pMethods = nullptr;
    self->bytes = new (std::nothrow) std::vector<unsigned char>;
    if (self->bytes == nullptr)
        return SQLITE_NOMEM;
    self->base.pMethods = &kMemoryMethods;
    if (outFlags != nullptr)
        *outFlags = flags;
    return SQLITE_OK;
}

} // namespace quillet
