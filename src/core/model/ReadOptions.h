#pragma once

#include <QtGlobal>

// How a channel reads its stations. The defaults are the plain full read: every register, 64
// to a request, one request at a time.
struct TReadOptions {
    static constexpr qint32 kDefaultBlockRegisters = 64;
    static constexpr qint32 kMaxBlockRegisters = 125; // the most one Modbus read may ask for
    static constexpr qint32 kDefaultInFlight = 1;
    static constexpr qint32 kMaxInFlight = 16;

    // Read only the 64-register blocks holding registers the station's definitions use.
    bool DefinedOnly = false;
    // Registers asked for in one request, 64 to 125; neighbouring blocks are read together.
    qint32 BlockRegisters = kDefaultBlockRegisters;
    // Requests outstanding at once on a TCP channel, 1 to 16; serial lines always take one.
    qint32 InFlight = kDefaultInFlight;

    static bool ValidBlockRegisters(qint32 n)
    {
        return n >= kDefaultBlockRegisters && n <= kMaxBlockRegisters;
    }
    static bool ValidInFlight(qint32 n) { return n >= 1 && n <= kMaxInFlight; }

    bool IsDefault() const
    {
        return !DefinedOnly && BlockRegisters == kDefaultBlockRegisters &&
               InFlight == kDefaultInFlight;
    }
    // The options a read uses: a value out of range (a damaged project file) counts as its
    // default.
    TReadOptions Usable() const
    {
        TReadOptions usable = *this;
        if (!ValidBlockRegisters(BlockRegisters))
            usable.BlockRegisters = kDefaultBlockRegisters;
        if (!ValidInFlight(InFlight))
            usable.InFlight = kDefaultInFlight;
        return usable;
    }
    bool operator==(const TReadOptions&) const = default;
};
