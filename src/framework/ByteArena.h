#pragma once

#include "text/TException.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

// Append-only storage for short byte records, addressed by 32-bit handles. Blocks never move, so a
// growing arena never copies what it holds, and a big one wastes at most the end of its last block.
class TByteArena {
public:
    static constexpr quint32 kMaxRecord = 1u << 16;

    TByteArena() = default;
    TByteArena(TByteArena&&) noexcept = default;
    TByteArena& operator=(TByteArena&&) noexcept = default;
    TByteArena(const TByteArena& other) { *this = other; }
    TByteArena& operator=(const TByteArena& other) {
        if (this == &other) return *this;
        m_blocks.clear();
        m_capacities = other.m_capacities;
        for (size_t i = 0; i < other.m_blocks.size(); ++i) {
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_capacities[i]));
            std::memcpy(m_blocks[i].get(), other.m_blocks[i].get(), m_capacities[i]);
        }
        m_used = other.m_used;
        return *this;
    }

    // Room for a record of size bytes (at most kMaxRecord), to be written at once.
    char* Allocate(quint32 size, quint32& handle) {
        if (m_blocks.empty() || m_used + size > m_capacities.back()) NewBlock();
        handle = quint32(m_blocks.size() - 1) << kPosBits | m_used;
        char* at = m_blocks.back().get() + m_used;
        m_used += size;
        return at;
    }
    const char* At(quint32 handle) const { return m_blocks[handle >> kPosBits].get() + (handle & kPosMask); }

    // Takes over the blocks of another arena, which is left empty; its handles are worth theirs plus the
    // returned offset. New records go on after the other arena's.
    quint32 Append(TByteArena&& other) {
        if ((m_blocks.size() + other.m_blocks.size()) >> (32 - kPosBits))
            throw TException(QStringLiteral(u"Слишком большой объём данных"));
        const quint32 offset = quint32(m_blocks.size()) << kPosBits;
        if (other.m_blocks.empty()) return offset;
        std::move(other.m_blocks.begin(), other.m_blocks.end(), std::back_inserter(m_blocks));
        m_capacities.insert(m_capacities.end(), other.m_capacities.begin(), other.m_capacities.end());
        m_used = other.m_used;
        other.m_blocks.clear();
        other.m_capacities.clear();
        other.m_used = 0;
        return offset;
    }

    // Gives back the unused end of the last block: for an arena that is full. A new record goes to a new
    // block.
    void Trim() {
        if (m_blocks.empty() || m_used == m_capacities.back()) return;
        auto block = std::make_unique_for_overwrite<char[]>(m_used);
        std::memcpy(block.get(), m_blocks.back().get(), m_used);
        m_blocks.back() = std::move(block);
        m_capacities.back() = m_used;
    }

private:
    static constexpr int kPosBits = 18;
    static constexpr quint32 kPosMask = (1u << kPosBits) - 1;
    static_assert(kMaxRecord <= kPosMask + 1);

    void NewBlock() {
        if (m_blocks.size() >> (32 - kPosBits))
            throw TException(QStringLiteral(u"Слишком большой объём данных"));
        // Small tables stay small; big ones soon get full blocks. Every block holds a record of any size.
        const quint32 capacity =
            m_capacities.empty() ? kMaxRecord : std::clamp(m_capacities.back() * 2, kMaxRecord, kPosMask + 1);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(capacity));
        m_capacities.push_back(capacity);
        m_used = 0;
    }

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<quint32> m_capacities;
    quint32 m_used = 0;
};
