#include "scenario/scenario_parser.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "core/action.hpp"
#include "core/closest_names.hpp"
#include "scenario/preference_text.hpp"

namespace tessarin {

namespace {

enum class Kind { label, text, number, seconds, whole, size, point, rect, action, choice };

struct Param {
    std::string_view name;
    Kind kind;
    std::vector<std::string_view> choices = {};
    bool required = false;  // for options; positionals are always required
};

struct Verb {
    std::string_view name;
    std::vector<Param> positional;
    std::vector<Param> options = {};
    std::vector<std::string_view> flags = {};
    bool repeatLast = false;  // the last positional takes one or more values
};

const std::vector<Verb>& verbTable() {
    const Param app{"application", Kind::label};
    const Param window{"window", Kind::label};
    static const std::vector<Verb> table{
        {"plug",
         {{"uuid", Kind::text}},
         {{"name", Kind::text},
          {"frame", Kind::rect},
          {"visible", Kind::rect},
          {"refresh", Kind::whole}},
         {"primary"}},
        {"unplug", {{"uuid", Kind::text}}},
        {"launch",
         {app},
         {{"bundle", Kind::text},
          {"name", Kind::text},
          {"policy", Kind::choice, {"regular", "accessory", "prohibited"}}},
         {"background"}},
        {"quit", {app}},
        {"activate", {app}},
        {"hide", {{"application or window", Kind::label}}},
        {"unhide", {{"application or window", Kind::label}}},
        {"slow", {app, {"seconds", Kind::seconds}}},
        {"hang", {app}},
        {"recover", {app}},
        {"open",
         {window},
         {{"app", Kind::label, {}, true},
          {"title", Kind::text},
          {"size", Kind::size},
          {"at", Kind::point},
          {"min", Kind::size},
          {"workspace", Kind::whole},
          {"role", Kind::text},
          {"subrole", Kind::text}},
         {"fixed", "minimized", "fullscreen", "background"}},
        {"close", {window}},
        {"minimize", {window}},
        {"unminimize", {window}},
        {"fullscreen", {window}},
        {"exit-fullscreen", {window}},
        {"retitle", {window, {"title", Kind::text}}},
        {"focus", {window}},
        {"drag", {window}, {{"to", Kind::point, {}, true}}},
        {"resize", {window}, {{"size", Kind::size, {}, true}}},
        {"to-workspace", {window, {"workspace", Kind::whole}}},
        {"app-move", {window}, {{"to", Kind::point}, {"size", Kind::size}}, {"quiet"}},
        {"workspace", {{"workspace", Kind::whole}}},
        {"pointer", {{"location", Kind::point}}},
        {"start", {}},
        {"stop", {}, {}, {"paused"}},
        {"restart", {}},
        {"permission", {{"change", Kind::choice, {"withdraw", "grant"}}}},
        {"scroll", {{"distance", Kind::number}}},
        {"scroll-end", {{"velocity", Kind::number}}},
        {"key", {{"combination", Kind::text}}},
        {"swipe",
         {{"fingers", Kind::whole}},
         {{"distance", Kind::number, {}, true},
          {"velocity", Kind::number},
          {"rise", Kind::number}}},
        {"wheel",
         {{"delta", Kind::number}},
         {{"modifiers", Kind::text}, {"momentum", Kind::whole}},
         {"trackpad", "ended"}},
        {"three-finger-drag", {{"state", Kind::choice, {"on", "off"}}}},
        {"element",
         {window},
         {{"role", Kind::text, {}, true},
          {"frame", Kind::rect, {}, true},
          {"description", Kind::text}}},
        {"perform", {{"action", Kind::action}}},
        {"set", {{"setting", Kind::text}, {"value", Kind::text}}},
        {"advance", {{"seconds", Kind::seconds}}},
        {"print", {{"what", Kind::choice, {"frames", "strips", "log", "picture"}}}, {}, {}, true},
        {"echo", {{"text", Kind::text}}, {}, {}, true},
        {"dump", {}},
    };
    return table;
}

// British spellings read as the others.
std::string_view canonical(std::string_view verb) {
    if (verb == "minimise") return "minimize";
    if (verb == "unminimise") return "unminimize";
    return verb;
}

struct Token {
    std::string key;  // empty unless written key=value
    std::string value;
    bool hasKey = false;
};

// Splits a line into blank-separated tokens; quotes group blanks, `#` at the start of a token
// ends the line. False (with `error`) for an unterminated quote.
bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    std::size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < line.size()) {
        if (blank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        Token token;
        bool quotedBeforeKey = false;
        while (i < line.size() && !blank(line[i])) {
            const char c = line[i];
            if (c == '"') {
                quotedBeforeKey = quotedBeforeKey || !token.hasKey;
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    if (line[i] == '\\' && i + 1 < line.size() &&
                        (line[i + 1] == '"' || line[i + 1] == '\\')) {
                        token.value += line[i + 1];
                        i += 2;
                    } else if (line[i] == '"') {
                        closed = true;
                        ++i;
                        break;
                    } else {
                        token.value += line[i++];
                    }
                }
                if (!closed) {
                    error = "unterminated quote";
                    return false;
                }
            } else if (c == '=' && !token.hasKey && !quotedBeforeKey && !token.value.empty()) {
                token.hasKey = true;
                token.key = std::move(token.value);
                token.value.clear();
                ++i;
            } else {
                token.value += c;
                ++i;
            }
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [at, failed] = std::from_chars(text.data(), end, value);
    if (failed != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Size> parseSize(std::string_view text) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) return std::nullopt;
    auto width = parseNumber(text.substr(0, x));
    auto height = parseNumber(text.substr(x + 1));
    if (!width || !height || *width <= 0 || *height <= 0) return std::nullopt;
    return Size{*width, *height};
}

std::vector<std::string_view> splitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

std::optional<Point> parsePoint(std::string_view text) {
    auto parts = splitCommas(text);
    if (parts.size() != 2) return std::nullopt;
    auto x = parseNumber(parts[0]);
    auto y = parseNumber(parts[1]);
    if (!x || !y) return std::nullopt;
    return Point{*x, *y};
}

// "x,y,wxh" or "x,y,w,h".
std::optional<Rect> parseRect(std::string_view text) {
    auto parts = splitCommas(text);
    std::optional<Size> size;
    if (parts.size() == 3) {
        size = parseSize(parts[2]);
    } else if (parts.size() == 4) {
        auto w = parseNumber(parts[2]);
        auto h = parseNumber(parts[3]);
        if (w && h && *w > 0 && *h > 0) size = Size{*w, *h};
    }
    if (!size) return std::nullopt;
    auto x = parseNumber(parts[0]);
    auto y = parseNumber(parts[1]);
    if (!x || !y) return std::nullopt;
    return Rect{*x, *y, size->width, size->height};
}

bool isLabel(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
    });
}

std::string inQuotes(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

// "; did you mean X?" when `word` looks like a slip for one of `names`, else nothing.
std::string hint(std::string_view word, const std::vector<std::string>& names) {
    auto near = closestNames(word, names);
    return near.empty() ? std::string() : "; did you mean " + alternatives(near) + "?";
}

std::vector<std::string> actionNames() {
    std::vector<std::string> names;
    for (Action action : allActions())
        names.emplace_back(rawValue(action));
    return names;
}

// The value of `text` as `param` wants it, or an error message.
std::optional<StepValue> convert(const Param& param, std::string_view text, std::string& error) {
    auto bad = [&](std::string_view wants) {
        error =
            std::string(param.name) + " wants " + std::string(wants) + ", not " + inQuotes(text);
        return std::nullopt;
    };
    switch (param.kind) {
        case Kind::label:
            if (!isLabel(text)) return bad("a label (letters, digits, _ - .)");
            return std::string(text);
        case Kind::text:
            return std::string(text);
        case Kind::number:
            if (auto value = parseNumber(text)) return *value;
            return bad("a number");
        case Kind::seconds:
            if (auto value = parseNumber(text); value && *value >= 0) return *value;
            return bad("a number of seconds, 0 or more");
        case Kind::whole:
            if (auto value = parseNumber(text);
                value && *value >= 1 && *value <= 1000 && *value == std::floor(*value))
                return *value;
            return bad("a whole number from 1");
        case Kind::size:
            if (auto value = parseSize(text)) return *value;
            return bad("a size such as 800x600");
        case Kind::point:
            if (auto value = parsePoint(text)) return *value;
            return bad("a point such as 100,40");
        case Kind::rect:
            if (auto value = parseRect(text)) return *value;
            return bad("a rectangle such as 0,0,1440x900");
        case Kind::action:
            if (actionNamed(text)) return std::string(text);
            error = "unknown action " + inQuotes(text) + hint(text, actionNames());
            return std::nullopt;
        case Kind::choice:
            if (std::find(param.choices.begin(), param.choices.end(), text) != param.choices.end())
                return std::string(text);
            return bad(alternatives({param.choices.begin(), param.choices.end()}));
    }
    return std::nullopt;
}

// Fills `step` from the tokens after the verb; false with `error` set when they do not fit.
bool bindTokens(const Verb& verb, const std::vector<Token>& tokens, ScenarioStep& step,
                std::string& error) {
    const std::string prefix = std::string(verb.name) + ": ";
    std::vector<std::size_t> fileArgs;  // which arguments are picture files
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.hasKey) {
            auto option = std::find_if(verb.options.begin(), verb.options.end(),
                                       [&](const Param& p) { return p.name == token.key; });
            if (option == verb.options.end()) {
                error = prefix + "unknown option " + inQuotes(token.key);
                return false;
            }
            if (step.options.count(token.key)) {
                error = prefix + token.key + " given twice";
                return false;
            }
            auto value = convert(*option, token.value, error);
            if (!value) return (error = prefix + error), false;
            step.options.emplace(token.key, *value);
            continue;
        }
        const bool positionalsFilled = step.args.size() >= verb.positional.size();
        const bool isFlag =
            std::find(verb.flags.begin(), verb.flags.end(), token.value) != verb.flags.end();
        if (isFlag && positionalsFilled) {
            if (!step.flags.insert(token.value).second) {
                error = prefix + token.value + " given twice";
                return false;
            }
            continue;
        }
        if (verb.positional.empty() || (positionalsFilled && !verb.repeatLast)) {
            error = prefix + "unexpected " + inQuotes(token.value);
            return false;
        }
        // `print picture FILE`: the word after "picture" is the file it goes to.
        static const Param file{"file", Kind::text};
        const bool wantsFile = verb.name == "print" && !step.args.empty() &&
                               step.text(step.args.size() - 1) == "picture" &&
                               (fileArgs.empty() || fileArgs.back() != step.args.size() - 1);
        if (wantsFile) fileArgs.push_back(step.args.size());
        const Param& param =
            wantsFile ? file
                      : verb.positional[std::min(step.args.size(), verb.positional.size() - 1)];
        auto value = convert(param, token.value, error);
        if (!value) return (error = prefix + error), false;
        step.args.push_back(*value);
    }
    if (step.args.size() < verb.positional.size()) {
        error = prefix + "missing " + std::string(verb.positional[step.args.size()].name);
        return false;
    }
    if (verb.name == "print" && step.text(step.args.size() - 1) == "picture" &&
        (fileArgs.empty() || fileArgs.back() != step.args.size() - 1)) {
        error = prefix + "picture wants a file to write, such as strip.png";
        return false;
    }
    for (const Param& option : verb.options) {
        if (option.required && !step.options.count(std::string(option.name))) {
            error = prefix + "missing " + std::string(option.name) + "=";
            return false;
        }
    }
    // Idle time passes quickly, but a step must still end: an hour of virtual time is far more
    // than any story needs.
    if (step.verb == "advance" && step.number(0) > ScenarioParser::kMaxAdvance) {
        error = prefix + "at most " +
                std::to_string(static_cast<int>(ScenarioParser::kMaxAdvance)) +
                " seconds in one step, not " + inQuotes(tokens[1].value);
        return false;
    }
    if (step.verb == "set") {
        auto parsed = PreferenceText::parse(step.text(0), step.text(1));
        if (!parsed.change) return (error = prefix + parsed.error), false;
    }
    return true;
}

}  // namespace

std::optional<ScenarioStep> ScenarioParser::parseLine(std::string_view line, int number,
                                                      std::optional<ScenarioError>& error) {
    std::vector<Token> tokens;
    std::string message;
    if (!tokenize(line, tokens, message)) {
        error = ScenarioError{number, message};
        return std::nullopt;
    }
    if (tokens.empty()) return std::nullopt;
    const std::string_view name = canonical(tokens[0].value);
    auto verb = std::find_if(verbTable().begin(), verbTable().end(),
                             [&](const Verb& v) { return v.name == name; });
    if (tokens[0].hasKey || verb == verbTable().end()) {
        const std::string word =
            tokens[0].hasKey ? tokens[0].key + "=" + tokens[0].value : tokens[0].value;
        error = ScenarioError{
            number, "unknown step " + inQuotes(word) + hint(word, ScenarioParser::verbs())};
        return std::nullopt;
    }
    ScenarioStep step;
    step.line = number;
    step.verb = std::string(verb->name);
    if (!bindTokens(*verb, tokens, step, message)) {
        error = ScenarioError{number, message};
        return std::nullopt;
    }
    return step;
}

ScenarioScript ScenarioParser::parse(std::string_view text) {
    ScenarioScript script;
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        ++number;
        std::optional<ScenarioError> error;
        auto step = parseLine(text.substr(start, end - start), number, error);
        if (error) {
            script.steps.clear();
            script.error = std::move(error);
            return script;
        }
        if (step) script.steps.push_back(std::move(*step));
        if (end == text.size()) break;
        start = end + 1;
    }
    return script;
}

std::vector<std::string> ScenarioParser::verbs() {
    std::vector<std::string> result;
    for (const Verb& verb : verbTable())
        result.emplace_back(verb.name);
    return result;
}

}  // namespace tessarin
