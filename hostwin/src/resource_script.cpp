// Reading dialog templates out of the embedded resource scripts.
#include "resource_script.h"

#include "text_compare.h"

#include <hostwin/testing.h>

#include <commctrl.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace hostwin {

namespace {

constexpr size_t kMaxScripts = 16;

struct Script {
    const char* name;
    const unsigned char* text;
    unsigned long size;
};

// Filled by the generated sources' static initialisers: constant-initialised, so it is ready
// before any of them runs.
Script scripts[kMaxScripts];
size_t script_count;

struct NamedValue {
    const char* name;
    long value;
};

// The names a script may use without defining them.
const NamedValue kKnownNames[] = {
    {"WS_OVERLAPPED", WS_OVERLAPPED},
    {"WS_POPUP", static_cast<long>(WS_POPUP)},
    {"WS_CHILD", WS_CHILD},
    {"WS_MINIMIZE", WS_MINIMIZE},
    {"WS_VISIBLE", WS_VISIBLE},
    {"WS_DISABLED", WS_DISABLED},
    {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS},
    {"WS_CLIPCHILDREN", WS_CLIPCHILDREN},
    {"WS_MAXIMIZE", WS_MAXIMIZE},
    {"WS_CAPTION", WS_CAPTION},
    {"WS_BORDER", WS_BORDER},
    {"WS_DLGFRAME", WS_DLGFRAME},
    {"WS_VSCROLL", WS_VSCROLL},
    {"WS_HSCROLL", WS_HSCROLL},
    {"WS_SYSMENU", WS_SYSMENU},
    {"WS_THICKFRAME", WS_THICKFRAME},
    {"WS_GROUP", WS_GROUP},
    {"WS_TABSTOP", WS_TABSTOP},
    {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
    {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
    {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME},
    {"DS_ABSALIGN", DS_ABSALIGN},
    {"DS_SYSMODAL", DS_SYSMODAL},
    {"DS_3DLOOK", DS_3DLOOK},
    {"DS_FIXEDSYS", DS_FIXEDSYS},
    {"DS_NOFAILCREATE", DS_NOFAILCREATE},
    {"DS_LOCALEDIT", DS_LOCALEDIT},
    {"DS_SETFONT", DS_SETFONT},
    {"DS_MODALFRAME", DS_MODALFRAME},
    {"DS_NOIDLEMSG", DS_NOIDLEMSG},
    {"DS_SETFOREGROUND", DS_SETFOREGROUND},
    {"DS_CONTROL", DS_CONTROL},
    {"DS_CENTER", DS_CENTER},
    {"DS_CENTERMOUSE", DS_CENTERMOUSE},
    {"DS_CONTEXTHELP", DS_CONTEXTHELP},
    {"SS_LEFT", SS_LEFT},
    {"SS_CENTER", SS_CENTER},
    {"SS_RIGHT", SS_RIGHT},
    {"SS_NOPREFIX", SS_NOPREFIX},
    {"PBS_SMOOTH", PBS_SMOOTH},
    {"PBS_VERTICAL", PBS_VERTICAL},
    {"LANG_NEUTRAL", LANG_NEUTRAL},
    {"LANG_ENGLISH", LANG_ENGLISH},
    {"SUBLANG_NEUTRAL", SUBLANG_NEUTRAL},
    {"SUBLANG_DEFAULT", SUBLANG_DEFAULT},
    {"SUBLANG_ENGLISH_US", SUBLANG_ENGLISH_US},
};

// Memory attributes of 16-bit resources that rc still accepts and ignores.
const char* const kMemoryWords[] = {"DISCARDABLE", "MOVEABLE",   "PURE", "IMPURE",
                                    "PRELOAD",     "LOADONCALL", "FIXED"};

enum class Kind { kEnd, kName, kNumber, kText, kMark };

struct Token {
    Kind kind;
    std::string text; // kName, kText (unescaped), kMark (one character)
    long value;       // kNumber
};

struct Define {
    std::string name;
    std::string value;
};

// Strips comments and preprocessor lines, collecting the #define lines.
std::string Preprocess(const std::string& source, std::vector<Define>* defines) {
    std::string code;
    size_t i = 0;
    bool line_start = true;
    while (i < source.size()) {
        char c = source[i];
        if (c == '/' && i + 1 < source.size() && source[i + 1] == '/') {
            while (i < source.size() && source[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < source.size() && source[i + 1] == '*') {
            size_t close = source.find("*/", i + 2);
            i = close == std::string::npos ? source.size() : close + 2;
            code.push_back(' ');
            continue;
        }
        if (line_start && c == '#') {
            size_t eol = source.find('\n', i);
            std::string line =
                source.substr(i, eol == std::string::npos ? std::string::npos : eol - i);
            size_t comment = line.find("//");
            if (comment != std::string::npos)
                line.erase(comment);
            char name[128], value[256];
            if (sscanf(line.c_str(), "#%*[ \t]define %127s %255[^\r\n]", name, value) == 2 ||
                sscanf(line.c_str(), "#define %127s %255[^\r\n]", name, value) == 2)
                defines->push_back(Define{name, value});
            // #include, #pragma, include guards: the build inlined the headers already.
            i = eol == std::string::npos ? source.size() : eol;
            continue;
        }
        if (c == '"') { // copy a text whole, so that nothing inside it is taken for code
            code.push_back(c);
            ++i;
            while (i < source.size()) {
                code.push_back(source[i]);
                if (source[i] == '\\' && i + 1 < source.size()) {
                    code.push_back(source[++i]);
                } else if (source[i] == '"') {
                    if (i + 1 < source.size() && source[i + 1] == '"') {
                        code.push_back(source[++i]);
                    } else {
                        ++i;
                        break;
                    }
                }
                ++i;
            }
            line_start = false;
            continue;
        }
        if (c == '\n')
            line_start = true;
        else if (c != ' ' && c != '\t' && c != '\r')
            line_start = false;
        code.push_back(c);
        ++i;
    }
    return code;
}

struct Lexer {
    std::string code;
    size_t at = 0;

    Token Next() {
        while (at < code.size() && isspace(static_cast<unsigned char>(code[at])))
            ++at;
        Token t{Kind::kEnd, "", 0};
        if (at >= code.size())
            return t;
        char c = code[at];
        if (isalpha(static_cast<unsigned char>(c)) || c == '_') {
            t.kind = Kind::kName;
            while (at < code.size() &&
                   (isalnum(static_cast<unsigned char>(code[at])) || code[at] == '_'))
                t.text.push_back(code[at++]);
            return t;
        }
        if (isdigit(static_cast<unsigned char>(c))) {
            t.kind = Kind::kNumber;
            char* end = nullptr;
            t.value = static_cast<long>(strtoul(code.c_str() + at, &end, 0));
            at = static_cast<size_t>(end - code.c_str());
            while (at < code.size() &&
                   (code[at] == 'L' || code[at] == 'l' || code[at] == 'U' || code[at] == 'u'))
                ++at;
            return t;
        }
        if (c == '"') {
            t.kind = Kind::kText;
            ++at;
            while (at < code.size()) {
                char d = code[at++];
                if (d == '"') {
                    if (at < code.size() && code[at] == '"') { // "" is a quote
                        t.text.push_back('"');
                        ++at;
                        continue;
                    }
                    return t;
                }
                if (d == '\\' && at < code.size()) {
                    char e = code[at++];
                    t.text.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e);
                    continue;
                }
                t.text.push_back(d);
            }
            t.kind = Kind::kEnd; // an unclosed text
            return t;
        }
        t.kind = Kind::kMark;
        t.text = std::string(1, c);
        ++at;
        return t;
    }
};

struct Parser {
    const char* script_name;
    std::vector<Define> defines;
    Lexer lexer;
    Token token;
    std::string error;
    int depth = 0;

    void Advance() { token = lexer.Next(); }

    bool Fail(const std::string& what) {
        if (error.empty())
            error = what + " near '" + token.text + "'";
        return false;
    }

    bool IsMark(char c) const { return token.kind == Kind::kMark && token.text[0] == c; }
    bool IsWord(const char* w) const { return token.kind == Kind::kName && token.text == w; }

    bool Expect(char c) {
        if (!IsMark(c))
            return Fail(std::string("expected '") + c + "'");
        Advance();
        return true;
    }

    bool ValueOfName(const std::string& name, long* value) {
        for (const Define& d : defines) {
            if (d.name == name) {
                if (++depth > 8)
                    return Fail("#define " + name + " refers to itself");
                Parser inner{script_name, defines, Lexer{d.value, 0}, Token{}, "", depth};
                inner.Advance();
                bool ok = inner.Number(value) && inner.token.kind == Kind::kEnd;
                --depth;
                return ok || Fail("#define " + name + " is not a number");
            }
        }
        for (const NamedValue& n : kKnownNames) {
            if (name == n.name) {
                *value = n.value;
                return true;
            }
        }
        return Fail("unknown name " + name);
    }

    bool IsDefined(const std::string& name) const {
        for (const Define& d : defines)
            if (d.name == name)
                return true;
        return false;
    }

    bool Unary(long* value) {
        if (IsMark('-') || IsMark('~')) {
            char op = token.text[0];
            Advance();
            long v;
            if (!Unary(&v))
                return false;
            *value = op == '-' ? -v : ~v;
            return true;
        }
        if (IsMark('(')) {
            Advance();
            return Number(value) && Expect(')');
        }
        if (token.kind == Kind::kNumber) {
            *value = token.value;
            Advance();
            return true;
        }
        if (token.kind == Kind::kName) {
            std::string name = token.text;
            Advance();
            return ValueOfName(name, value);
        }
        return Fail("expected a number");
    }

    bool Number(long* value) {
        if (!Unary(value))
            return false;
        while (IsMark('|') || IsMark('+') || IsMark('-')) {
            char op = token.text[0];
            Advance();
            long v;
            if (!Unary(&v))
                return false;
            *value = op == '|' ? (*value | v) : op == '+' ? *value + v : *value - v;
        }
        return true;
    }

    // A style: terms joined by | (or +), each of which may be NOT term to take bits away.
    bool Style(DWORD base, DWORD* style) {
        DWORD set = 0, clear = 0;
        for (;;) {
            bool remove = false;
            if (IsWord("NOT")) {
                remove = true;
                Advance();
            }
            long v;
            if (!Unary(&v))
                return false;
            if (remove)
                clear |= static_cast<DWORD>(v);
            else
                set |= static_cast<DWORD>(v);
            if (!IsMark('|') && !IsMark('+'))
                break;
            Advance();
        }
        *style = (base | set) & ~clear;
        return true;
    }

    bool Comma() { return Expect(','); }

    bool Text(char* out, size_t size) {
        if (token.kind != Kind::kText)
            return Fail("expected a text");
        snprintf(out, size, "%s", token.text.c_str());
        Advance();
        return true;
    }

    bool Rect(int* x, int* y, int* cx, int* cy) {
        long a, b, c, d;
        if (!Number(&a) || !Comma() || !Number(&b) || !Comma() || !Number(&c) || !Comma() ||
            !Number(&d))
            return false;
        *x = static_cast<int>(a);
        *y = static_cast<int>(b);
        *cx = static_cast<int>(c);
        *cy = static_cast<int>(d);
        return true;
    }

    bool Language(WORD* language) {
        long primary, sub;
        if (!Number(&primary) || !Comma() || !Number(&sub))
            return false;
        *language = static_cast<WORD>(MAKELANGID(primary, sub));
        return true;
    }

    bool Control(DialogTemplate* dialog) {
        if (dialog->control_count == kMaxDialogControls)
            return Fail("too many controls");
        ControlTemplate* c = &dialog->controls[dialog->control_count];
        *c = ControlTemplate{};
        std::string keyword = token.text;
        Advance();
        long id;
        if (keyword == "CONTROL") {
            if (!Text(c->text, sizeof c->text) || !Comma() || !Number(&id) || !Comma() ||
                !Text(c->class_name, sizeof c->class_name) || !Comma() ||
                !Style(WS_CHILD | WS_VISIBLE, &c->style) || !Comma() ||
                !Rect(&c->x, &c->y, &c->cx, &c->cy))
                return false;
        } else {
            DWORD align = keyword == "LTEXT" ? SS_LEFT : keyword == "CTEXT" ? SS_CENTER : SS_RIGHT;
            snprintf(c->class_name, sizeof c->class_name, "Static");
            if (!Text(c->text, sizeof c->text) || !Comma() || !Number(&id) || !Comma() ||
                !Rect(&c->x, &c->y, &c->cx, &c->cy))
                return false;
            c->style = WS_CHILD | WS_VISIBLE | align | WS_GROUP;
            if (IsMark(',')) { // a given style takes the place of the default WS_GROUP
                Advance();
                if (!Style(WS_CHILD | WS_VISIBLE | align, &c->style))
                    return false;
            }
        }
        c->id = static_cast<int>(id);
        if (IsMark(',')) {
            Advance();
            long ex;
            if (!Number(&ex))
                return false;
            c->ex_style = static_cast<DWORD>(ex);
        }
        ++dialog->control_count;
        return true;
    }

    // After "name DIALOG" or "name DIALOGEX".
    bool Dialog(DialogTemplate* d) {
        d->extended = IsWord("DIALOGEX");
        Advance();
        for (bool skipped = true; skipped;) {
            skipped = false;
            for (const char* w : kMemoryWords)
                if (IsWord(w)) {
                    Advance();
                    skipped = true;
                }
        }
        if (!Rect(&d->x, &d->y, &d->cx, &d->cy))
            return false;
        if (d->extended && IsMark(',')) { // the help id
            Advance();
            long help;
            if (!Number(&help))
                return false;
        }
        bool has_style = false;
        for (;;) {
            if (IsWord("STYLE")) {
                Advance();
                if (!Style(0, &d->style))
                    return false;
                has_style = true;
            } else if (IsWord("EXSTYLE")) {
                Advance();
                if (!Style(0, &d->ex_style))
                    return false;
            } else if (IsWord("CAPTION")) {
                Advance();
                if (!Text(d->caption, sizeof d->caption))
                    return false;
                d->style |= WS_CAPTION;
            } else if (IsWord("FONT")) {
                Advance();
                long size;
                if (!Number(&size) || !Comma() || !Text(d->font_name, sizeof d->font_name))
                    return false;
                d->font_size = static_cast<int>(size);
                d->has_font = true;
                while (d->extended && IsMark(',')) { // weight, italic, character set
                    Advance();
                    long ignored;
                    if (!Number(&ignored))
                        return false;
                }
            } else if (IsWord("LANGUAGE")) {
                Advance();
                if (!Language(&d->language))
                    return false;
            } else if (IsWord("CHARACTERISTICS") || IsWord("VERSION")) {
                Advance();
                long ignored;
                if (!Number(&ignored))
                    return false;
            } else {
                break;
            }
        }
        if (!has_style)
            d->style |= WS_POPUP | WS_BORDER | WS_SYSMENU;
        if (d->caption[0] != '\0')
            d->style |= WS_CAPTION;
        if (d->has_font)
            d->style |= DS_SETFONT;
        if (!IsWord("BEGIN") && !IsMark('{'))
            return Fail("expected BEGIN");
        Advance();
        while (!IsWord("END") && !IsMark('}')) {
            if (IsWord("CONTROL") || IsWord("LTEXT") || IsWord("CTEXT") || IsWord("RTEXT")) {
                if (!Control(d))
                    return false;
            } else {
                return Fail("this kind of control is not implemented");
            }
        }
        Advance();
        return true;
    }

    // Reads the whole script; fills *found with the dialog named by wanted.
    bool Script(LPCSTR wanted, bool wanted_named, DialogTemplate* found, bool* matched) {
        WORD language = 0;
        Advance();
        while (token.kind != Kind::kEnd) {
            if (IsWord("LANGUAGE")) {
                Advance();
                if (!Language(&language))
                    return false;
                continue;
            }
            DialogTemplate d{};
            d.language = language;
            if (token.kind == Kind::kNumber ||
                (token.kind == Kind::kName && IsDefined(token.text))) {
                long id;
                if (!Unary(&id))
                    return false;
                d.id = static_cast<int>(id);
            } else if (token.kind == Kind::kName || token.kind == Kind::kText) {
                d.named = true;
                snprintf(d.name, sizeof d.name, "%s", token.text.c_str());
                Advance();
            } else {
                return Fail("expected a resource");
            }
            if (!IsWord("DIALOG") && !IsWord("DIALOGEX"))
                return Fail("this kind of resource is not implemented");
            if (!Dialog(&d))
                return false;
            bool same =
                wanted_named
                    ? (d.named && SameTextIgnoringCase(d.name, wanted))
                    : (!d.named && d.id == static_cast<int>(reinterpret_cast<uintptr_t>(wanted)));
            if (same && !*matched) {
                *found = d;
                *matched = true;
            }
        }
        return true;
    }
};

} // namespace

bool RegisterResourceScript(const char* name, const unsigned char* text, unsigned long size) {
    if (script_count == kMaxScripts) {
        fprintf(stderr, "hostwin: too many resource scripts\n");
        abort();
    }
    scripts[script_count++] = Script{name, text, size};
    return true;
}

TemplateLookup LookUpDialogTemplate(LPCSTR name, DialogTemplate* result) {
    bool named = (reinterpret_cast<uintptr_t>(name) >> 16) != 0;
    bool matched = false;
    for (size_t i = 0; i < script_count; ++i) {
        std::string source(reinterpret_cast<const char*>(scripts[i].text), scripts[i].size);
        Parser parser{scripts[i].name, {}, Lexer{}, Token{}, "", 0};
        parser.lexer.code = Preprocess(source, &parser.defines);
        if (!parser.Script(name, named, result, &matched)) {
            fprintf(stderr, "hostwin: %s: %s\n", scripts[i].name, parser.error.c_str());
            return TemplateLookup::kUnreadable;
        }
        if (matched)
            return TemplateLookup::kFound;
    }
    return TemplateLookup::kMissing;
}

bool ReadDialogTemplate(int id, DialogTemplateInfo* info) {
    DialogTemplate d;
    if (LookUpDialogTemplate(MAKEINTRESOURCEA(id), &d) != TemplateLookup::kFound)
        return false;
    info->language = d.language;
    info->extended = d.extended;
    info->style = d.style;
    info->ex_style = d.ex_style;
    info->x = d.x;
    info->y = d.y;
    info->cx = d.cx;
    info->cy = d.cy;
    info->caption = d.caption;
    info->font_size = d.has_font ? d.font_size : 0;
    info->font_name = d.font_name;
    info->controls.clear();
    for (size_t i = 0; i < d.control_count; ++i) {
        const ControlTemplate& c = d.controls[i];
        info->controls.push_back(ControlTemplateInfo{c.text, c.id, c.class_name, c.style,
                                                     c.ex_style, c.x, c.y, c.cx, c.cy});
    }
    return true;
}

} // namespace hostwin
