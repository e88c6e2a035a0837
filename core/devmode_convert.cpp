// DEVMODE versions: dmSpecVersion by public size, copying the public and private
// parts between DEVMODEs of different sizes, and the core of DrvConvertDevMode.
#include <algorithm>
#include <cstring>

#include "core/little_endian.h"
#include "core/settings.h"
#include "win/kernel.h"

namespace orla {

namespace {

// The header fields every DEVMODE has, read from raw bytes.
constexpr size_t kHeaderBytes = 72;  // up to and including dmDriverExtra
constexpr size_t kOffSpecVersion = 64;
constexpr size_t kOffDriverVersion = 66;
constexpr size_t kOffSize = 68;
constexpr size_t kOffDriverExtra = 70;

WORD SpecVersionBySize(WORD size, WORD own) {
    switch (size) {
        case 188:
            return 0x0320;
        case 212:
            return 0x0400;
        case 220:
            return 0x0401;
        default:
            return own;
    }
}

// Bytes of a DEVMODE that can be read: what it says of itself, cut to what the buffer holds.
size_t UsableBytes(const BYTE* dm, size_t bytes) {
    if (!dm || bytes < kHeaderBytes) return 0;
    size_t own = size_t{LoadLe16(dm + kOffSize)} + LoadLe16(dm + kOffDriverExtra);
    return std::min(own, bytes);
}

}  // namespace

WORD GetDevmodeSpecVersion(const DEVMODEW* devmode) {
    if (!devmode) return 0;
    return SpecVersionBySize(devmode->dmSize, devmode->dmSpecVersion);
}

LONG CopyDevmodePartsBounded(const BYTE* source, size_t sourceBytes, BYTE* target, size_t targetBytes) {
    const size_t sourceUsable = UsableBytes(source, sourceBytes);
    const size_t targetUsable = UsableBytes(target, targetBytes);
    if (sourceUsable < kHeaderBytes || targetUsable < kHeaderBytes) return -1;
    const WORD sourceSize = LoadLe16(source + kOffSize);
    const WORD targetSize = LoadLe16(target + kOffSize);
    const WORD sourceVersion = SpecVersionBySize(sourceSize, LoadLe16(source + kOffSpecVersion));
    const WORD targetVersion = SpecVersionBySize(targetSize, LoadLe16(target + kOffSpecVersion));
    if (sourceVersion == 0 || targetVersion == 0) return -1;

    const WORD targetDriverVersion = LoadLe16(target + kOffDriverVersion);
    const WORD targetExtra = LoadLe16(target + kOffDriverExtra);
    const WORD sourceExtra = LoadLe16(source + kOffDriverExtra);

    // Public part: the smaller of the two sizes, within what either buffer holds.
    size_t pub = std::min<size_t>({sourceSize, targetSize, sourceUsable, targetUsable});
    std::memmove(target, source, pub);
    // Private part: behind each DEVMODE's own public part.
    size_t priv = std::min<size_t>(sourceExtra, targetExtra);
    priv = std::min(priv, sourceUsable > sourceSize ? sourceUsable - sourceSize : 0);
    priv = std::min(priv, targetUsable > targetSize ? targetUsable - targetSize : 0);
    if (priv) std::memmove(target + targetSize, source + sourceSize, priv);

    StoreLe16(target + kOffSpecVersion, targetVersion);
    StoreLe16(target + kOffDriverVersion, targetDriverVersion);
    StoreLe16(target + kOffSize, targetSize);
    StoreLe16(target + kOffDriverExtra, targetExtra);
    return static_cast<LONG>(pub + priv);
}

LONG CopyDevmodeParts(const DEVMODEW* source, DEVMODEW* target) {
    if (!source || !target) return -1;
    return CopyDevmodePartsBounded(reinterpret_cast<const BYTE*>(source), DevmodeTotalSize(source),
                                   reinterpret_cast<BYTE*>(target), DevmodeTotalSize(target));
}

BOOL CopyDevmodeForCaller(const DEVMODEW* source, const DEVMODEW* reference, DEVMODEW* target) {
    if (!source || !target) return FALSE;
    if (!reference) {
        std::memmove(target, source, DevmodeTotalSize(source));
        return TRUE;
    }
    const DEVMODEW* smallerPublic = reference->dmSize < source->dmSize ? reference : source;
    const DEVMODEW* smallerPrivate = reference->dmDriverExtra < source->dmDriverExtra ? reference : source;
    target->dmSpecVersion = smallerPublic->dmSpecVersion;
    target->dmSize = smallerPublic->dmSize;
    target->dmDriverVersion = smallerPrivate->dmDriverVersion;
    target->dmDriverExtra = smallerPrivate->dmDriverExtra;
    return CopyDevmodeParts(source, target) > 0 ? TRUE : FALSE;
}

int ConvertDevmodeCore(LPCWSTR printerName, const DEVMODEW* source, DEVMODEW* target, LONG* size, DWORD mode,
                       const DevmodeVersionInfo* info) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DevmodeVersionInfo& v = info ? *info : kDevmodeVersionInfo;
    switch (mode) {
        case CDM_CONVERT: {
            if (target && *size >= 0 && static_cast<size_t>(*size) >= kHeaderBytes &&
                static_cast<size_t>(*size) >= DevmodeTotalSize(target) &&
                CopyDevmodePartsBounded(reinterpret_cast<const BYTE*>(source), DevmodeTotalSize(source),
                                        reinterpret_cast<BYTE*>(target), static_cast<size_t>(*size)) > 0) {
                *size = static_cast<LONG>(DevmodeTotalSize(target));
                return 1;
            }
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        case CDM_CONVERT351: {
            const LONG needed = kPublicSize351 + v.privateSize351;
            if (target && *size >= needed) {
                target->dmSpecVersion = 0x0320;
                target->dmSize = kPublicSize351;
                target->dmDriverVersion = v.driverVersion351;
                target->dmDriverExtra = v.privateSize351;
                if (CopyDevmodePartsBounded(reinterpret_cast<const BYTE*>(source), DevmodeTotalSize(source),
                                            reinterpret_cast<BYTE*>(target), static_cast<size_t>(needed)) <= 0) {
                    SetLastError(ERROR_INVALID_PARAMETER);
                    return 0;
                }
                *size = needed;
                return 1;
            }
            *size = needed;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        case CDM_DRIVER_DEFAULT: {
            const LONG needed = kPublicDevmodeSize + v.privateSize;
            if (target && *size >= needed) {
                *size = needed;
                return 2;
            }
            *size = needed;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        default:
            return 2;
    }
}

}  // namespace orla
