#pragma once

// What every fuzz target shares: an application object, settings kept in
// memory (a fuzzer runs millions of inputs; files would make it crawl), a
// user-message sink, and a way to stop at a broken promise.

#include "common/RegistryStore.h"
#include "common/UserMessages.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tesk::fuzz {

// A broken invariant is a finding like a crash: abort so libFuzzer keeps the
// input.
#define TESK_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                            \
        if (!(condition)) {                                                                         \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                           \
        }                                                                                           \
    } while (false)

inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// Both registry roots in memory, with the file layer's case-blind names.
class MemoryRegistry : public RegistryStore {
public:
    QString RegReadString(RegistryRoot root, const QString& subKey, const QString& valueName) override
    {
        return m_values.value(key(root, subKey, valueName));
    }
    bool RegWriteString(RegistryRoot root, const QString& subKey, const QString& valueName,
                        const QString& value) override
    {
        m_values.insert(key(root, subKey, valueName), value);
        return true;
    }
    void clear() { m_values.clear(); }

private:
    static QString key(RegistryRoot root, const QString& subKey, const QString& valueName)
    {
        return QString::number(int(root)) + QLatin1Char('|') + subKey.toLower() + QLatin1Char('|')
            + valueName.toLower();
    }
    QHash<QString, QString> m_values;
};

// Boxes and questions would wait for a user; here they only count.
class SilentMessages : public UserMessages {
public:
    int shown = 0;
    void ShowInfoMessage(const QString&) override { ++shown; }
    bool AskYesNo(const QString&) override
    {
        ++shown;
        return false;
    }
    void ShowBalloon(const QString&, const QString&, const BalloonTarget&, int, int) override { ++shown; }
};

// Takes the input apart: a byte, or a length-prefixed piece of text.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size)
        : m_data(data), m_size(size)
    {
    }
    bool atEnd() const { return m_pos >= m_size; }
    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    QByteArray bytes(size_t n)
    {
        n = std::min(n, m_size - m_pos);
        QByteArray b(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return b;
    }
    QByteArray rest() { return bytes(m_size - m_pos); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace tesk::fuzz
