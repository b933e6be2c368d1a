#pragma once

#include <cstdint>
#include <optional>
#include <string>

class ServiceData;

// Second factors as the service plays them: codes of 4 letters or digits,
// delivered "out of band" into the data folder's outbox (one file per user,
// the latest message also as JSON) and onto the service's console, where a
// person or a test reads them.
namespace TwoFactor {

// The methods the service offers (wire names) and whether a state name is known.
bool isMethod(const std::string &wireName);
bool isState(const std::string &stateName);
// "sms" -> "SMS", "phototan" -> "PHOTOTAN"; empty if unknown.
std::string canonicalMethod(const std::string &name);

// 4 characters from an alphabet without look-alikes (upper-case letters, digits).
std::string newCode();

struct Delivery
{
    std::string user;
    std::string method;      // SMS, MTAN, PHOTOTAN, ITAN
    std::string code;        // the TAN the user must enter
    std::string destination; // mobile number, "photoTAN device", "iTAN list"
    std::string reference;   // what the challenge shows the user
    int index = 0;           // iTAN: the index asked for
};
void deliver(ServiceData &data, const Delivery &delivery);
// The latest delivery to a user as JSON text.
std::optional<std::string> latest(ServiceData &data, const std::string &user);

// A photoTAN graphic: a PNG mosaic that stands for the code.
std::string photoTanPng(const std::string &code);

} // namespace TwoFactor
