#pragma once

#include <QString>

class QPaintDevice;

// A size given as text in a header entry: a non-negative decimal integer of pixels, bare or
// followed by "px", or of points followed by "pt" (the suffix in either letter case); white
// space around the parts is ignored. Empty text means the size is absent.
class SizeParameter
{
public:
    static SizeParameter parse(const QString &text);

    bool isAbsent() const { return m_state == State::Absent; }
    bool isValid() const { return m_state == State::Valid; }
    // The size in pixels of device; 0 unless valid.
    int pixels(const QPaintDevice &device) const;

private:
    enum class State { Absent, Invalid, Valid };

    State m_state = State::Absent;
    int m_number = 0;
    bool m_points = false;
};
