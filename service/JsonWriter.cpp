#include "JsonWriter.h"

#include <cstdio>

void JsonWriter::separator()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out.push_back(',');
        m_first.back() = false;
    }
}

JsonWriter &JsonWriter::beginObject()
{
    separator();
    m_out.push_back('{');
    m_first.push_back(true);
    return *this;
}

JsonWriter &JsonWriter::endObject()
{
    m_out.push_back('}');
    m_first.pop_back();
    return *this;
}

JsonWriter &JsonWriter::beginArray()
{
    separator();
    m_out.push_back('[');
    m_first.push_back(true);
    return *this;
}

JsonWriter &JsonWriter::endArray()
{
    m_out.push_back(']');
    m_first.pop_back();
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    separator();
    appendQuoted(m_out, name);
    m_out.push_back(':');
    m_afterKey = true;
    return *this;
}

JsonWriter &JsonWriter::value(std::string_view text)
{
    separator();
    appendQuoted(m_out, text);
    return *this;
}

JsonWriter &JsonWriter::value(std::int64_t number)
{
    separator();
    m_out += std::to_string(number);
    return *this;
}

JsonWriter &JsonWriter::value(bool flag)
{
    separator();
    m_out += flag ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::raw(std::string_view json)
{
    separator();
    m_out.append(json.data(), json.size());
    return *this;
}

void JsonWriter::appendQuoted(std::string &out, std::string_view text)
{
    out.push_back('"');
    size_t run = 0; // start of the bytes that need no escape
    for (size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (u >= 0x20 && u != '"' && u != '\\')
            continue;
        out.append(text.data() + run, i - run);
        run = i + 1;
        switch (u) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        }
        }
    }
    out.append(text.data() + run, text.size() - run);
    out.push_back('"');
}
