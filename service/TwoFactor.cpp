#include "TwoFactor.h"

#include "JsonWriter.h"
#include "Random.h"
#include "ServiceData.h"
#include "WireFormat.h"

#include <QBuffer>
#include <QImage>
#include <QtGlobal>


#include <cstdio>
#include <fstream>
#include <sstream>

namespace TwoFactor {

namespace {
const char kAlphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";

// Outbox files are named after the user; names are checked before they get
// here, and anything odd is hex-encoded all the same.
std::string fileStem(ServiceData &data, const std::string &user)
{
    std::string why;
    const bool plain = WireFormat::isValidName(user, why) && user.find('.') != 0;
    return data.outboxFolder() + "/" + (plain ? user : "x" + WireFormat::toHex(user));
}
} // namespace

bool isMethod(const std::string &wireName)
{
    return wireName == "SMS" || wireName == "MTAN" || wireName == "PHOTOTAN" || wireName == "ITAN";
}

bool isState(const std::string &s)
{
    return s == "active" || s == "inactive" || s == "initial" || s == "permanently.locked"
        || s == "temporarily.locked" || s == "unknown";
}

std::string canonicalMethod(const std::string &name)
{
    std::string upper;
    for (char c : name)
        upper.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    return isMethod(upper) ? upper : std::string();
}

std::string newCode()
{
    unsigned char random[4];
    Random::fill(random, sizeof random);
    std::string code;
    for (unsigned char r : random)
        code.push_back(kAlphabet[r % 32]);
    return code;
}

void deliver(ServiceData &data, const Delivery &d)
{
    const std::int64_t now = WireFormat::nowMs();
    JsonWriter w;
    w.beginObject()
        .member("user", d.user)
        .member("method", d.method)
        .member("tan", d.code)
        .member("destination", d.destination)
        .member("reference", d.reference)
        .member("index", d.index)
        .member("time", WireFormat::isoTime(now))
        .endObject();
    const std::string stem = fileStem(data, d.user);
    {
        std::ofstream latest(stem + ".json", std::ios::trunc);
        latest << w.text() << "\n";
    }
    std::ostringstream line;
    line << WireFormat::isoTime(now) << " " << d.method << " to " << d.destination << ": TAN " << d.code;
    if (!d.reference.empty())
        line << " (" << d.reference << ")";
    {
        std::ofstream log(stem + ".txt", std::ios::app);
        log << line.str() << "\n";
    }
    // The console stands for the phone or the letter; the log file only notes the delivery.
    std::printf("korvex-service: out-of-band message for %s: %s\n", d.user.c_str(), line.str().c_str());
    std::fflush(stdout);
    qInfo("TwoFactor::deliver: %s challenge for '%s' written to %s.txt", d.method.c_str(), d.user.c_str(),
          stem.c_str());
}

std::optional<std::string> latest(ServiceData &data, const std::string &user)
{
    std::ifstream in(fileStem(data, user) + ".json");
    if (!in)
        return std::nullopt;
    std::string text;
    std::getline(in, text);
    if (text.empty())
        return std::nullopt;
    return text;
}

std::string photoTanPng(const std::string &code)
{
    // 8 x 8 cells of four colours, two bits each, from the code and a nonce.
    constexpr int kCells = 8;
    constexpr int kCell = 20;
    const QRgb colours[4] = {qRgb(0, 0, 0), qRgb(230, 40, 40), qRgb(40, 160, 60), qRgb(40, 80, 220)};
    unsigned char nonce[16];
    Random::fill(nonce, sizeof nonce);
    QImage image(kCells * kCell, kCells * kCell, QImage::Format_RGB32);
    for (int cy = 0; cy < kCells; ++cy) {
        for (int cx = 0; cx < kCells; ++cx) {
            const int n = cy * kCells + cx;
            const unsigned char byte = static_cast<unsigned char>(code[static_cast<size_t>(n / 4) % code.size()])
                ^ nonce[n % 16];
            const QRgb colour = colours[(byte >> ((n % 4) * 2)) & 3];
            for (int y = 0; y < kCell; ++y)
                for (int x = 0; x < kCell; ++x)
                    image.setPixel(cx * kCell + x, cy * kCell + y, colour);
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::string(png.constData(), static_cast<size_t>(png.size()));
}

} // namespace TwoFactor
