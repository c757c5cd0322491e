#pragma once

#include "text/TException.h"

#include <QByteArrayView>

#include <cstring>
#include <memory>
#include <vector>

// Append-only storage for short byte strings, addressed by 32-bit handles. Blocks never move, so a
// growing arena never copies what it holds, and a big one wastes at most the end of its last block.
class TByteArena {
public:
    static constexpr int kMaxItem = 255;

    TByteArena() = default;
    TByteArena(const TByteArena& other) { *this = other; }
    TByteArena& operator=(const TByteArena& other) {
        if (this == &other) return *this;
        m_blocks.clear();
        m_capacities = other.m_capacities;
        for (size_t i = 0; i < other.m_blocks.size(); ++i) {
            m_blocks.push_back(std::make_unique<char[]>(m_capacities[i]));
            std::memcpy(m_blocks[i].get(), other.m_blocks[i].get(), m_capacities[i]);
        }
        m_used = other.m_used;
        return *this;
    }

    // bytes.size() <= kMaxItem; an empty text needs no room and gets handle 0.
    quint32 Add(QByteArrayView bytes) {
        if (bytes.isEmpty()) return 0;
        if (m_blocks.empty() || m_used + quint32(bytes.size()) > m_capacities.back()) NewBlock();
        const quint32 handle = quint32(m_blocks.size() - 1) << kPosBits | m_used;
        std::memcpy(m_blocks.back().get() + m_used, bytes.data(), size_t(bytes.size()));
        m_used += quint32(bytes.size());
        return handle;
    }
    const char* At(quint32 handle) const { return m_blocks[handle >> kPosBits].get() + (handle & kPosMask); }

private:
    static constexpr int kPosBits = 18;
    static constexpr quint32 kPosMask = (1u << kPosBits) - 1;
    static constexpr quint32 kFirstBlock = 4096;

    void NewBlock() {
        if (m_blocks.size() >> (32 - kPosBits))
            throw TException(QStringLiteral(u"Слишком большой объём данных"));
        // Small tables stay small; big ones soon get full blocks.
        const quint32 capacity =
            m_capacities.empty() ? kFirstBlock : std::min(m_capacities.back() * 2, 1u << kPosBits);
        m_blocks.push_back(std::make_unique<char[]>(capacity));
        m_capacities.push_back(capacity);
        m_used = 0;
    }

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<quint32> m_capacities;
    quint32 m_used = 0;
};
