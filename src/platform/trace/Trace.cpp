#include "Trace.h"

#include <string>

const Trace::Modifier Trace::endl = {0};

Trace::Trace(Tracer& tracer, const char* where) : m_Tracer(tracer), m_Label(where != nullptr ? where : "") {}

Trace::~Trace() { flush(); }

Trace& Trace::operator<<(const char* text)
{
    m_Open = true;
    if (text != nullptr)
        m_Text += text;
    return *this;
}

Trace& Trace::operator<<(const unsigned short* text)
{
    m_Open = true;
    if (text != nullptr)
        m_Text += String(text).narrow();
    return *this;
}

Trace& Trace::operator<<(int value)
{
    m_Open = true;
    m_Text += std::to_string(value);
    return *this;
}

Trace& Trace::operator<<(const String& text)
{
    m_Open = true;
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
    if (!m_Open)
        return;
    TraceRecord record;
    record.level = level;
    record.component = static_cast<int>(m_Tracer.getComponent());
    record.label = m_Label;
    record.text = std::move(m_Text);
    m_Text.clear();
    m_Open = false;
    m_Tracer.emit(record);
}
