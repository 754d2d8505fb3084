#include "Trace.h"

#include <string>

const Trace::Modifier Trace::endl = {0};

Trace::~Trace() { flush(); }

Trace& Trace::operator<<(const char* text)
{
    if (accepting() && text != nullptr)
        m_Text += text;
    return *this;
}

Trace& Trace::operator<<(const unsigned short* text)
{
    if (accepting() && text != nullptr)
        m_Text += String(text).narrow();
    return *this;
}

Trace& Trace::operator<<(int value)
{
    if (accepting())
        m_Text += std::to_string(value);
    return *this;
}

Trace& Trace::operator<<(const String& text)
{
    if (accepting())
        m_Text.append(text.narrow(), text.narrowLength());
    return *this;
}

Trace& Trace::operator<<(const Modifier& modifier)
{
    if (modifier.value == 0)
        flush();
    return *this;
}

void Trace::flush()
{
    const bool open = m_State == LINE_OPEN;
    m_State = LINE_UNDECIDED;
    if (!open)
        return;
    // Tracing never costs the host its operation: a line that cannot be made is dropped.
    try {
        TraceRecord record;
        record.level = level;
        record.component = static_cast<int>(m_Tracer.getComponent());
        record.label = m_Label != nullptr ? m_Label : "";
        record.text = std::move(m_Text);
        m_Text.clear();
        m_Tracer.emit(record);
    } catch (...) {
        m_Text.clear();
    }
}
