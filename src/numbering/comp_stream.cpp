#include "numbering/comp_stream.h"

#include "numbering/prod_rfid.h"
#include "numbering/prod_sn.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>

namespace kestrelon {

namespace {

enum class Kind { Bool, Int32, Int64 };

// One stored property: how to read it for writing, and the write rule that
// applies it when reading.
struct Property {
    const char* name;
    Kind kind;
    std::function<int64_t(const TComponent&)> get;
    std::function<void(TComponent&, int64_t)> set;
};

template <class T>
const T& as(const TComponent& c) { return static_cast<const T&>(c); }
template <class T>
T& as(TComponent& c) { return static_cast<T&>(c); }

#define SN_PROP(Name, K, Setter, Cast)                                              \
    Property{#Name, K, [](const TComponent& c) { return int64_t(as<TProdSN>(c).Name()); }, \
             [](TComponent& c, int64_t v) { as<TProdSN>(c).Setter(static_cast<Cast>(v)); }}
#define RF_PROP(Name, K, Setter, Cast)                                                \
    Property{#Name, K, [](const TComponent& c) { return int64_t(as<TProdRFID>(c).Name()); }, \
             [](TComponent& c, int64_t v) { as<TProdRFID>(c).Setter(static_cast<Cast>(v)); }}

// Declaration order is the stored order.
const std::vector<Property>& snProperties() {
    static const std::vector<Property> props{
        SN_PROP(IsSN, Kind::Bool, setIsSN, bool),
        SN_PROP(IsDate, Kind::Bool, setIsDate, bool),
        SN_PROP(FixSNByteCount, Kind::Int32, setFixSNByteCount, int32_t),
        SN_PROP(FixSN, Kind::Int64, setFixSN, int64_t),
        SN_PROP(IncSNByteCount, Kind::Int32, setIncSNByteCount, int32_t),
        SN_PROP(IncInitSN, Kind::Int64, setIncInitSN, int64_t),
        SN_PROP(IncPrevSN, Kind::Int64, setIncPrevSN, int64_t),
        SN_PROP(IncCurrentSN, Kind::Int64, setIncCurrentSN, int64_t),
        SN_PROP(IsFixAscii, Kind::Bool, setIsFixAscii, bool),
    };
    return props;
}

const std::vector<Property>& rfidProperties() {
    static const std::vector<Property> props{
        RF_PROP(IsRandom, Kind::Bool, setIsRandom, bool),
        RF_PROP(IncInitRFID, Kind::Int32, setIncInitRFID, int32_t),
        RF_PROP(IncPrevRFID, Kind::Int32, setIncPrevRFID, int32_t),
        RF_PROP(IncCurrentRFID, Kind::Int32, setIncCurrentRFID, int32_t),
    };
    return props;
}

#undef SN_PROP
#undef RF_PROP

const std::vector<Property>* propertiesOf(const std::string& className) {
    if (className == TProdSN::kClassName) return &snProperties();
    if (className == TProdRFID::kClassName) return &rfidProperties();
    return nullptr;
}

bool equalsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

int64_t parseValue(const std::string& text, Kind kind, const std::string& name) {
    if (kind == Kind::Bool) {
        if (equalsNoCase(text, "True")) return 1;
        if (equalsNoCase(text, "False")) return 0;
        throw ComponentTextError("not a boolean value for " + name + ": " + text);
    }
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) throw ComponentTextError("empty number for " + name);
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') throw ComponentTextError("not a number for " + name + ": " + text);
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE) throw ComponentTextError("number out of range for " + name);
    if (kind == Kind::Int32 && (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()))
        throw ComponentTextError("number out of range for " + name);
    return v;
}

// IncPrevSN as reading the stored lines of sn would set it.
int64_t positionAsRead(const TProdSN& sn) {
    if (sn.IncCurrentSN() != 0) return sn.IncCurrentSN();
    if (sn.IncPrevSN() != 0) return sn.IncPrevSN();
    if (sn.IncInitSN() != 0) return static_cast<int64_t>(static_cast<uint64_t>(sn.IncInitSN()) - 1);
    return 0;
}

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

} // namespace

std::unique_ptr<TComponent> CreateBlankComponent(const std::string& className, const ComponentContext& ctx) {
    if (className == TProdSN::kClassName) return TProdSN::CreateBlank(ctx.clock);
    if (className == TProdRFID::kClassName) return TProdRFID::CreateBlank(ctx.random);
    return nullptr;
}

std::string ComponentToText(const TComponent& object) {
    const auto* props = propertiesOf(object.ClassName());
    if (!props) throw ComponentTextError(std::string("class cannot be stored: ") + object.ClassName());
    std::string text = std::string("object ") + object.ClassName() + "\r\n";
    auto line = [&text](const char* name, Kind kind, int64_t v) {
        text += "  ";
        text += name;
        text += " = ";
        text += kind == Kind::Bool ? (v ? "True" : "False") : std::to_string(v);
        text += "\r\n";
    };
    for (const Property& p : *props) {
        const int64_t v = p.get(object);
        if (!(p.kind == Kind::Int64 && v == 0)) line(p.name, p.kind, v);
        // The lines above give back IncPrevSN only in the usual cases: the
        // last of IncInitSN - 1, IncPrevSN, IncCurrentSN that is stored
        // wins, and zeros are not stored. When that is not the position
        // (the counter wrapped to 0, or a new start was typed after a unit
        // passed), it is stored once more, after IncCurrentSN, so that a
        // restart goes on from it and issues no serial number twice.
        if (std::string_view(p.name) == "IncCurrentSN") {
            const auto& sn = as<TProdSN>(object);
            if (positionAsRead(sn) != sn.IncPrevSN()) line("IncPrevSN", Kind::Int64, sn.IncPrevSN());
        }
    }
    text += "end\r\n";
    return text;
}

std::unique_ptr<TComponent> TextToComponent(const std::string& text, const ComponentContext& ctx) {
    // Split into lines; each must end in LF (CR LF as written, LF alone
    // tolerated), so a text cut short before its last line end is refused.
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t nl = text.find('\n', start);
        if (nl == std::string::npos) throw ComponentTextError("text ends inside a line");
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = nl + 1;
    }
    if (lines.empty()) throw ComponentTextError("empty text");

    const std::string first = trim(lines[0]);
    if (first.rfind("object ", 0) != 0) throw ComponentTextError("no object line");
    const std::string className = trim(first.substr(7));
    const auto* props = propertiesOf(className);
    if (!props) throw ComponentTextError("unknown class: " + className);
    auto object = CreateBlankComponent(className, ctx);

    bool ended = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string line = trim(lines[i]);
        if (ended) throw ComponentTextError("text after end");
        if (line == "end") { ended = true; continue; }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) throw ComponentTextError("not a property line: " + line);
        const std::string name = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        const Property* prop = nullptr;
        for (const Property& p : *props)
            if (equalsNoCase(name, p.name)) prop = &p;
        if (!prop) throw ComponentTextError("unknown property: " + name);
        if (value.empty()) throw ComponentTextError("no value for " + name);
        prop->set(*object, parseValue(value, prop->kind, name));
    }
    if (!ended) throw ComponentTextError("no end line");
    return object;
}

} // namespace kestrelon
