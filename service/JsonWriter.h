#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds compact JSON text directly into one string. Replies of the service
// can hold a hundred thousand objects; going through a DOM would double the
// memory and the time of a listing.
class JsonWriter
{
public:
    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    JsonWriter &key(std::string_view name);
    JsonWriter &value(std::string_view text);
    JsonWriter &value(const char *text) { return value(std::string_view(text)); }
    JsonWriter &value(const std::string &text) { return value(std::string_view(text)); }
    JsonWriter &value(std::int64_t number);
    JsonWriter &value(int number) { return value(static_cast<std::int64_t>(number)); }
    JsonWriter &value(bool flag);
    // A value that already is JSON text.
    JsonWriter &raw(std::string_view json);

    // Shorthands for one member.
    template <typename T>
    JsonWriter &member(std::string_view name, const T &v)
    {
        key(name);
        return value(v);
    }

    const std::string &text() const { return m_out; }
    std::string take() { return std::move(m_out); }
    void reserve(size_t n) { m_out.reserve(n); }

    static void appendQuoted(std::string &out, std::string_view text);

private:
    void separator();

    std::string m_out;
    std::vector<bool> m_first;
    bool m_afterKey = false;
};
