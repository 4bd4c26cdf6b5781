#!/usr/bin/env python3
"""Mutation tester for this tree: how many small faults in src/ do the tests catch?

Picks mutation sites in the given source folders from a seed, applies one mutation at a time to a
copy of the tree in a scratch folder (never to the working tree), rebuilds only the test programs
that guard that folder (Release, no sanitizers, warnings off, incremental Ninja build), runs them
with a time limit and records each mutant as killed, survived, timed out or did not compile.

    python3 scripts/mutants.py --seed 12 --sample 40 --json before.json
    python3 scripts/mutants.py --compare before.json after.json

Mutations: `<`/`<=`, `>`/`>=` and `==`/`!=` flipped, a condition negated, `&&`/`||`, a number
one off (a fraction doubled), `min`/`max`, `floor`/`ceil`/`round`, a call or an assignment
deleted, a returned value replaced by `{}`, `+`/`-`. Never touched: comments, string and character
literals, preprocessor lines, `static_assert`, template headers, attributes and lookup tables (a
braced list of more than eight entries). Warnings are off in the scratch build, so a mutant that
only draws a warning still runs. Kill rate = (killed + timed out) / compiled.

Only source files are scanned, so the same seed picks the same mutants after the tests change;
each site is ranked by a hash of the seed and the site's own text, so an edit elsewhere in the
source leaves the other picks alone.
"""

import argparse
import concurrent.futures
import datetime
import difflib
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

# Which test programs guard a source folder; a mutant killed by any of them counts as killed.
# The golden scenarios replay the engine on the simulated desktop, so they guard both; the
# key-value store and its JSON text in base are tested through the settings built on them.
TEST_PROGRAMS = {
    "src/core": ["test_core"],
    "src/base": ["test_base", "test_settings"],
    "src/settings": ["test_settings"],
    "src/backends/sim": ["test_sim", "test_scenario"],
    "src/system": ["test_system"],
    "src/engine": ["test_engine", "test_scenario"],
    "src/input": ["test_input", "test_scenario"],
    "src/shell": ["test_shell"],
    "src/scenario": ["test_scenario"],
    "src/ui": ["test_ui"],
}
DEFAULT_FOLDERS = ["src/core", "src/base", "src/settings", "src/system", "src/engine", "src/input", "src/shell"]

ROOT = Path(__file__).resolve().parent.parent
SOURCE_SUFFIXES = (".cpp", ".hpp")
STATUSES = ("killed", "survived", "timed out", "no compile")
TEST_MEMORY = 4 << 30  # bytes of address space one test program may take

# ---------------------------------------------------------------------------------------------
# Reading C++: a small lexer that drops comments, preprocessor lines and keeps string literals
# as single tokens, so no mutation ever lands inside them.

PUNCTUATORS = sorted(
    "<=> <<= >>= ->* ... :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .* "
    "{ } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #".split(),
    key=len,
    reverse=True,
)
STRING_PREFIXES = ("u8", "u", "U", "L", "")
IDENT_RE = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
NUMBER_RE = re.compile(r"\.?[0-9](?:[eEpP][+-]|[0-9A-Za-z_.']|'(?=[0-9A-Za-z]))*")


class Token:
    __slots__ = ("kind", "text", "start", "end", "line")

    def __init__(self, kind, text, start, end, line):
        self.kind, self.text, self.start, self.end, self.line = kind, text, start, end, line

    def __repr__(self):
        return f"{self.kind}:{self.text}@{self.line}"


def lex(text):
    tokens = []
    i, n, line, line_start = 0, len(text), 1, True
    while i < n:
        c = text[i]
        if c == "\n":
            line, line_start, i = line + 1, True, i + 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "#" and line_start:
            # A preprocessor line, with its continuations.
            j = i
            while j < n and not (text[j] == "\n" and text[j - 1] != "\\"):
                j += 1
            line += text.count("\n", i, j)
            i = j
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
            continue
        m = IDENT_RE.match(text, i)
        if m:
            word = m.group()
            after = m.end()
            if (
                after < n
                and text[after] == '"'
                and word.endswith("R")
                and word[:-1] in STRING_PREFIXES
            ):
                close = text.index("(", after)
                delimiter = ")" + text[after + 1 : close] + '"'
                j = text.index(delimiter, close) + len(delimiter)
                tokens.append(Token("string", text[i:j], i, j, line))
                line += text.count("\n", i, j)
                i = j
                continue
            if after < n and text[after] in "\"'" and word in STRING_PREFIXES:
                i = after - len(word)
                j = _quoted_end(text, after)
                tokens.append(Token("string", text[i:j], i, j, line))
                i = j
                continue
            tokens.append(Token("ident", word, i, after, line))
            i = after
            continue
        if c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            m = NUMBER_RE.match(text, i)
            tokens.append(Token("number", m.group(), i, m.end(), line))
            i = m.end()
            continue
        if c in "\"'":
            j = _quoted_end(text, i)
            tokens.append(Token("string", text[i:j], i, j, line))
            i = j
            continue
        for p in PUNCTUATORS:
            if text.startswith(p, i):
                tokens.append(Token("punct", p, i, i + len(p), line))
                i += len(p)
                break
        else:
            tokens.append(Token("punct", c, i, i + 1, line))
            i += 1
    return tokens


def _quoted_end(text, i):
    quote, j = text[i], i + 1
    while j < len(text) and text[j] != quote:
        j += 2 if text[j] == "\\" else 1
    return j + 1


# ---------------------------------------------------------------------------------------------
# Finding mutation sites.

KEYWORDS = set(
    """alignas alignof asm auto bool break case catch char char8_t char16_t char32_t class co_await
    co_return co_yield concept const consteval constexpr constinit const_cast continue decltype
    default delete do double dynamic_cast else enum explicit export extern false float for friend
    goto if inline int long mutable namespace new noexcept nullptr operator private protected
    public register reinterpret_cast requires return short signed sizeof static static_assert
    static_cast struct switch template this thread_local throw true try typedef typeid typename
    union unsigned using virtual void volatile wchar_t while assert""".split()
)
FUNCTION_SUFFIXES = {"const", "noexcept", "override", "final", "mutable", "volatile", "&", "&&"}
DEFAULT_RETURNS = {"{}", "false", "0", "0.0", "nullptr", "std::nullopt", '""', "std::string()"}
OPERAND_ENDS = {")", "]", "}"}
SWAPS = {
    "relational": {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="},
    "logical": {"&&": "||", "||": "&&"},
    "arithmetic": {"+": "-", "-": "+", "+=": "-=", "-=": "+="},
    "min/max": {"min": "max", "max": "min"},
    "rounding": {"floor": "ceil", "ceil": "floor", "round": ("floor", "ceil")},
}


class Mutation:
    """One edit of one file: replace text[start:end] with `replacement`."""

    def __init__(self, path, text, op, start, end, replacement, line):
        self.path, self.op, self.start, self.end = path, op, start, end
        self.original, self.replacement, self.line = text[start:end], replacement, line
        first = text.rfind("\n", 0, start) + 1
        last = text.find("\n", end)
        last = len(text) if last < 0 else last
        self.column = start - first + 1
        self.before = text[first:last]
        self.after = text[first:start] + replacement + text[end:last]
        self.id = ""
        self.folder = ""

    def identity(self):
        # What names the site without its line number, so lines added above do not move it.
        return "|".join((self.path, self.op, self.original, self.replacement, self.before.strip()))

    def describe(self):
        if self.op in ("deleted call", "deleted assignment"):
            return f"{self.op}: {_shorten(self.original)}"
        if self.op == "negated condition":
            return f"negated condition: {_shorten(self.original)}"
        return f"{self.op}: `{_shorten(self.original)}` -> `{_shorten(self.replacement)}`"


def _shorten(text, limit=70):
    text = " ".join(text.split())
    return text if len(text) <= limit else text[: limit - 3] + "..."


def _site_hash(*parts):
    return hashlib.sha256("\x1f".join(str(p) for p in parts).encode()).hexdigest()


class SiteFinder:
    """Walks one file's tokens and lists every mutation this tester knows how to make."""

    def __init__(self, path, text):
        self.path, self.text = path, text
        self.tokens = lex(text)
        self.skip = self._skipped_tokens() | self._table_numbers()
        self.sites = []

    def find(self):
        self._operators()
        self._conditions()
        self._statements()
        self.sites.sort(key=lambda m: (m.start, m.op))
        return self.sites

    def _add(self, op, start, end, replacement, line):
        self.sites.append(Mutation(self.path, self.text, op, start, end, replacement, line))

    def _match(self, i, open_text, close_text):
        depth = 0
        for j in range(i, len(self.tokens)):
            t = self.tokens[j].text
            if t == open_text:
                depth += 1
            elif t == close_text:
                depth -= 1
                if depth == 0:
                    return j
        return len(self.tokens) - 1

    def _skipped_tokens(self):
        # static_assert, attributes, template headers and operator names are never mutated.
        skip, toks, i = set(), self.tokens, 0
        while i < len(toks):
            t = toks[i].text
            end = None
            if t in ("static_assert", "alignas", "decltype") and i + 1 < len(toks):
                end = self._match(i + 1, "(", ")")
            elif t == "[" and i + 1 < len(toks) and toks[i + 1].text == "[":
                end = self._match(i, "[", "]")
            elif t == "template" and i + 1 < len(toks) and toks[i + 1].text == "<":
                depth, end = 0, i + 1
                for j in range(i + 1, len(toks)):
                    tj = toks[j].text
                    depth += {"<": 1, ">": -1, ">>": -2}.get(tj, 0)
                    if depth <= 0:
                        end = j
                        break
            elif t == "operator":
                end = i + 1
            if end is not None:
                skip.update(range(i, end + 1))
                i = end + 1
            else:
                i += 1
        return skip

    def _table_numbers(self):
        # A braced list of more than 8 entries (or of lists) is a lookup table: data, not logic.
        toks, stack, parent, enclosing, entries = self.tokens, [], {}, [], {}
        for i, tok in enumerate(toks):
            braces = [j for j in stack if toks[j].text == "{"]
            enclosing.append(braces[-1] if braces else None)
            if tok.text in "([{":
                if tok.text == "{":
                    parent[i], entries[i] = enclosing[i], 1
                stack.append(i)
            elif tok.text in ")]}" and stack:
                stack.pop()
            elif tok.text == "," and stack and toks[stack[-1]].text == "{":
                entries[stack[-1]] += 1
        skip = set()
        for i, tok in enumerate(toks):
            if tok.kind != "number" or i == 0 or i + 1 == len(toks):
                continue
            if toks[i - 1].text not in ("{", ",") or toks[i + 1].text not in (",", "}"):
                continue
            brace = enclosing[i]
            while brace is not None:
                if entries[brace] > 8:
                    skip.add(i)
                    break
                brace = parent[brace] if toks[brace - 1].text in ("{", ",") else None
        return skip

    def _coin(self, tok):
        # A fair choice that depends on the token's own line, not on where that line stands.
        first = self.text.rfind("\n", 0, tok.start) + 1
        last = self.text.find("\n", tok.start)
        return int(_site_hash(self.path, self.text[first:last].strip(), tok.start - first), 16) % 2

    def _spaced(self, tok):
        # clang-format puts spaces round binary operators only, so templates and unary signs
        # never look like this.
        return (
            self.text[tok.start - 1] in " \t\n"
            and tok.end < len(self.text)
            and self.text[tok.end] in " \t\n"
        )

    def _operators(self):
        toks = self.tokens
        for i, tok in enumerate(toks):
            if i in self.skip:
                continue
            prev = toks[i - 1] if i else None
            nxt = toks[i + 1] if i + 1 < len(toks) else None
            if tok.kind == "punct" and self._spaced(tok) and prev and nxt:
                for op in ("relational", "logical", "arithmetic"):
                    if tok.text in SWAPS[op]:
                        operand = prev.kind in ("ident", "number") or prev.text in OPERAND_ENDS
                        concat = prev.kind == "string" or nxt.kind == "string"
                        if op != "arithmetic" or (operand and not concat):
                            self._add(op, tok.start, tok.end, SWAPS[op][tok.text], tok.line)
            elif tok.kind == "number":
                self._number(i, tok)
            elif tok.kind == "ident" and nxt and nxt.text in ("(", "<"):
                for op in ("min/max", "rounding"):
                    swap = SWAPS[op].get(tok.text)
                    if swap and prev and prev.text in ("::", ".", "->", "(", ",", "=", "return"):
                        if isinstance(swap, tuple):
                            swap = swap[self._coin(tok)]
                        self._add(op, tok.start, tok.end, swap, tok.line)

    def _number(self, i, tok):
        toks = self.tokens
        prev = toks[i - 1].text if i else ""
        nxt = toks[i + 1].text if i + 1 < len(toks) else ""
        if prev == "case" or (
            prev == "=" and nxt == ";" and toks[i - 2].text in FUNCTION_SUFFIXES | {")"}
        ):
            return  # case labels and pure virtual "= 0" only stop the build
        text = tok.text.replace("'", "")
        m = re.fullmatch(r"(0[xX][0-9a-fA-F]+|0[bB][01]+|[0-9]+)([uUlLzZ]*)", text)
        if m:
            digits, suffix = m.groups()
            base = 16 if digits[:2] in ("0x", "0X") else 2 if digits[:2] in ("0b", "0B") else 10
            if base == 10 and len(digits) > 1 and digits.startswith("0"):
                base = 8
            value = int(digits, base)
            step = 1 if value == 0 or self._coin(tok) else -1
            new = value + step
            shown = {16: hex(new), 2: bin(new), 8: "0" + oct(new)[2:], 10: str(new)}[base]
            self._add("constant", tok.start, tok.end, shown + suffix, tok.line)
            return
        m = re.fullmatch(r"([0-9]*\.?[0-9]*(?:[eE][+-]?[0-9]+)?)([fFlL]?)", text)
        if not m or not m.group(1):
            return
        value = float(m.group(1))
        if value != int(value) or abs(value) >= 2**52:
            new = value * 2
        else:
            new = value + (1 if value == 0 or self._coin(tok) else -1)
        shown = repr(float(new))
        self._add("constant", tok.start, tok.end, shown + m.group(2), tok.line)

    def _conditions(self):
        toks = self.tokens
        for i, tok in enumerate(toks):
            if tok.text not in ("if", "while") or i in self.skip or i + 1 >= len(toks):
                continue
            if toks[i + 1].text != "(":
                continue  # if constexpr, if consteval
            close = self._match(i + 1, "(", ")")
            first, depth = i + 2, 0
            assigns = False
            for j in range(i + 2, close):
                t = toks[j].text
                if t in "([{":
                    depth += 1
                elif t in ")]}":
                    depth -= 1
                elif depth == 0 and t == ";":
                    first, assigns = j + 1, False
                elif depth == 0 and t == "=":
                    assigns = True
            if assigns or first >= close:
                continue  # a declaration in the condition cannot be negated as written
            start, end = toks[first].start, toks[close - 1].end
            self._add(
                "negated condition", start, end, "!(" + self.text[start:end] + ")", toks[first].line
            )

    # Statements: which braces hold code, and where each statement starts.

    def _brace_kind(self, i, outer):
        toks = self.tokens
        prev = toks[i - 1].text if i else ""
        j = i - 1
        while j >= 0 and toks[j].text in FUNCTION_SUFFIXES:
            j -= 1
        if j >= 0 and toks[j].text in (")", "]"):
            return "code"
        if self._trailing_return(i):
            return "code"
        if outer == "code" and prev in (";", "{", "}", "else", "do", "try", ":"):
            return "code"
        if outer != "scope" or prev in ("=", "(", ",", "{", "return"):
            return "init"
        # A constructor body after a member initialiser list that ends in braces.
        return "code" if prev == "}" else "scope"

    def _trailing_return(self, i):
        toks, depth = self.tokens, 0
        for j in range(i - 1, max(i - 40, -1), -1):
            t = toks[j].text
            if t in (";", "{", "}"):
                return False
            if t in (")", "]"):
                depth += 1
            elif t in ("(", "["):
                depth -= 1
                if depth < 0:
                    return False
            elif t == "->" and depth == 0:
                k = j - 1
                while k >= 0 and toks[k].text in FUNCTION_SUFFIXES:
                    k -= 1
                return k >= 0 and toks[k].text == ")"
        return False

    def _statement_starts(self):
        toks = self.tokens
        stack = [("scope", None)]  # (kind, control keyword of a parenthesis)
        starts = []
        pending = True
        for i, tok in enumerate(toks):
            t = tok.text
            kind = stack[-1][0]
            if pending and kind == "code" and t not in ("}", ";"):
                starts.append(i)
            pending = False
            if t == "{":
                stack.append((self._brace_kind(i, kind), None))
                pending = True
            elif t in ("(", "["):
                prev = toks[i - 1].text if i else ""
                control = prev in ("if", "for", "while", "switch", "catch") or (
                    prev == "constexpr" and i > 1 and toks[i - 2].text == "if"
                )
                stack.append(("paren", control and kind == "code"))
            elif t in (")", "]", "}"):
                closed = stack.pop() if len(stack) > 1 else stack[-1]
                pending = (t == ")" and closed[1]) or (t == "}" and closed[0] == "code")
            elif kind == "code" and t in (";", "else", "do"):
                pending = True
            elif kind == "code" and t == ":" and starts:
                pending = toks[starts[-1]].text in ("case", "default")
        return starts

    def _statement_end(self, s):
        toks, depth = self.tokens, 0
        for j in range(s, len(toks)):
            t = toks[j].text
            if t in "([{":
                if (
                    t == "{"
                    and depth == 0
                    and j > s
                    and toks[j - 1].text == ")"
                    and toks[s].text in KEYWORDS
                ):
                    return None
                depth += 1
            elif t in ")]}":
                depth -= 1
                if depth < 0:
                    return None
            elif t == ";" and depth == 0:
                return j
        return None

    def _chain(self, s, e):
        """Index after an lvalue or call chain starting at s: a, a.b, a->b(c)[d], a::b<c>(d)."""
        toks, j = self.tokens, s
        if j < e and toks[j].text in ("*", "++", "--"):
            j += 1
        if j >= e or toks[j].kind != "ident" or toks[j].text in KEYWORDS:
            return s
        j += 1
        while j < e:
            t = toks[j].text
            if t in (".", "->", "::") and j + 1 < e and toks[j + 1].kind == "ident":
                j += 2
            elif t in ("(", "["):
                j = self._match(j, t, ")" if t == "(" else "]") + 1
            elif t == "<" and not self._spaced(toks[j]):
                depth = 0
                for k in range(j, e):
                    depth += {"<": 1, ">": -1, ">>": -2}.get(toks[k].text, 0)
                    if depth <= 0:
                        break
                j = k + 1
            else:
                break
        return j

    def _statements(self):
        toks = self.tokens
        lambdas = self._deduced_return_blocks()
        for s in self._statement_starts():
            if s in self.skip:
                continue
            e = self._statement_end(s)
            if e is None or e == s:
                continue
            first = toks[s]
            start, stop = first.start, toks[e].end
            if first.text == "return":
                if e == s + 1 or any(a < s < b for a, b in lambdas):
                    continue
                value = self.text[toks[s + 1].start : toks[e - 1].end]
                if " ".join(value.split()) not in DEFAULT_RETURNS:
                    self._add(
                        "return default", toks[s + 1].start, toks[e - 1].end, "{}", first.line
                    )
                continue
            after = self._chain(s, e)
            if after == s:
                continue
            ops = {"=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>="}
            if (after == e and toks[s].text in ("++", "--")) or (
                after + 1 == e and toks[after].text in ("++", "--")
            ):
                self._add("deleted assignment", start, stop, ";", first.line)
            elif after < e and toks[after].text in ops:
                self._add("deleted assignment", start, stop, ";", first.line)
            elif after == e and toks[e - 1].text == ")" and first.text != "assert":
                self._add("deleted call", start, stop, ";", first.line)

    def _deduced_return_blocks(self):
        # Lambdas without a written return type: `return {}` cannot name a type there.
        toks, blocks = self.tokens, []
        for i, tok in enumerate(toks):
            if tok.text != "{" or i == 0:
                continue
            j = i - 1
            while j >= 0 and toks[j].text in FUNCTION_SUFFIXES:
                j -= 1
            if toks[j].text == ")":
                depth = 0
                for k in range(j, -1, -1):
                    depth += {")": 1, "(": -1}.get(toks[k].text, 0)
                    if depth == 0:
                        break
                j = k - 1
            if j >= 0 and toks[j].text == "]":
                blocks.append((i, self._match(i, "{", "}")))
        return blocks


def find_sites(folder):
    sites = []
    base = ROOT / folder
    for path in sorted(base.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        rel = path.relative_to(ROOT).as_posix()
        sites.extend(SiteFinder(rel, path.read_text(encoding="utf-8")).find())
    seen = {}
    for m in sites:
        identity = m.identity()
        seen[identity] = seen.get(identity, 0) + 1
        m.id = _site_hash(identity, seen[identity])[:10]
    return sites


def ranked_sites(folder, seed):
    return sorted(find_sites(folder), key=lambda m: _site_hash(seed, m.id))


# ---------------------------------------------------------------------------------------------
# The scratch copy: a tree of its own, built once, then one file and one test program at a time.


def project_files():
    try:
        out = subprocess.run(
            ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
            cwd=ROOT,
            check=True,
            capture_output=True,
        ).stdout.decode()
        files = [f for f in out.split("\0") if f]
    except (OSError, subprocess.CalledProcessError):
        files = [
            p.relative_to(ROOT).as_posix()
            for p in ROOT.rglob("*")
            if p.is_file()
            and not any(part.startswith(("build", ".git")) for part in p.relative_to(ROOT).parts)
        ]
    return [f for f in files if (ROOT / f).is_file() and not f.startswith("build")]


class Worker:
    def __init__(self, scratch, index):
        self.home = scratch / f"w{index}"
        self.tree, self.build = self.home / "tree", self.home / "build"
        self.process = None

    def sync(self):
        """Makes the copy equal to the working tree, touching only files that differ."""
        wanted = set(project_files())
        for rel in wanted:
            source, copy = ROOT / rel, self.tree / rel
            data = source.read_bytes()
            if not copy.is_file() or copy.read_bytes() != data:
                copy.parent.mkdir(parents=True, exist_ok=True)
                copy.write_bytes(data)
        if self.tree.is_dir():
            for path in sorted(self.tree.rglob("*"), reverse=True):
                rel = path.relative_to(self.tree).as_posix()
                if path.is_file() and rel not in wanted:
                    path.unlink()

    def configure(self):
        if (self.build / "build.ninja").is_file():
            return
        self.build.mkdir(parents=True, exist_ok=True)
        self._run_checked(
            [
                "cmake",
                "-S",
                str(self.tree),
                "-B",
                str(self.build),
                "-G",
                "Ninja",
                "-DCMAKE_BUILD_TYPE=Release",
                "-DTESSARIN_SANITIZE=OFF",
                "-DTESSARIN_BENCH=OFF",
                "-DTESSARIN_TESTS=ON",
                # A mutant that only draws a warning is still a fault the tests must catch.
                "-DCMAKE_CXX_FLAGS=-w",
                "-DCMAKE_CXX_COMPILER_LAUNCHER=",
            ]
        )

    def _run_checked(self, command):
        result = subprocess.run(command, capture_output=True, text=True, env=_build_env())
        if result.returncode != 0:
            sys.exit(
                f"mutants: {' '.join(command)} failed:\n{result.stdout[-3000:]}{result.stderr[-3000:]}"
            )

    def build_targets(self, targets, jobs, limit=None):
        """None when the targets built, else the first compiler error (or what stopped it)."""
        command = ["ninja", "-C", str(self.build), f"-j{jobs}", *targets]
        status, output, _ = self._run(command, limit, cwd=self.build, env=_build_env())
        if status == 0:
            return None
        errors = [
            line for line in output.splitlines() if "error:" in line or line.startswith("FAILED:")
        ]
        errors.sort(key=lambda line: "error:" not in line)
        return (
            errors[0][-300:]
            if errors
            else f"ninja stopped ({'time limit' if status is None else status})"
        )

    def test_program(self, name):
        return self.build / "tests" / name.removeprefix("test_") / name

    def run_test(self, name, seed, limit):
        env = {k: v for k, v in os.environ.items() if not k.startswith("TESSARIN_")}
        env["TESSARIN_SEED"] = str(seed)
        program = self.test_program(name)
        # A mutant that allocates without end would take the shared machine's memory with it.
        cap = ["prlimit", f"--as={TEST_MEMORY}", "--"] if shutil.which("prlimit") else []
        return self._run(
            [*cap, str(program), "--gtest_brief=1", "--gtest_fail_fast"],
            limit,
            cwd=program.parent,
            env=env,
        )

    def _run(self, command, limit, cwd, env):
        """Exit status (None when the limit ran out), output, seconds."""
        started = time.monotonic()
        process = subprocess.Popen(
            command,
            cwd=cwd,
            env=env,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            start_new_session=True,
        )
        self.process = process
        try:
            output, _ = process.communicate(timeout=limit)
            status = process.returncode
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            output, _ = process.communicate()
            status = None
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise
        finally:
            self.process = None
        return status, output.decode(errors="replace"), time.monotonic() - started

    def stop(self):
        process = self.process
        if process and process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass


def _build_env():
    env = dict(os.environ)
    env.pop("CMAKE_CXX_COMPILER_LAUNCHER", None)
    env["CCACHE_DISABLE"] = "1"
    return env


def first_failure(output):
    for line in output.splitlines():
        if line.startswith("[  FAILED  ]"):
            return line[len("[  FAILED  ]") :].strip().split(" ")[0]
    return None


class Runner:
    def __init__(self, args):
        self.args = args
        self.scratch = Path(args.scratch).resolve()
        self.lock = threading.Lock()
        self.done = 0
        self.limits = {}
        self.baseline = {}
        self.workers = [Worker(self.scratch, i) for i in range(args.jobs)]
        self.stopping = False

    def say(self, text):
        with self.lock:
            print(text, file=sys.stderr, flush=True)

    def prepare(self, programs):
        for index, worker in enumerate(self.workers):
            self.say(
                f"mutants: preparing scratch copy {index + 1}/{len(self.workers)} in {worker.home}"
            )
            worker.sync()
            worker.configure()
            started = time.monotonic()
            if worker.build_targets(sorted(programs), self.args.jobs):
                sys.exit(f"mutants: the unmutated copy does not build; see ninja -C {worker.build}")
            self.say(
                f"mutants: built {', '.join(sorted(programs))} in {time.monotonic() - started:.0f} s"
            )
        for name in sorted(programs):
            status, output, seconds = self.workers[0].run_test(name, self.args.seed, None)
            if status != 0:
                sys.exit(f"mutants: {name} fails without any mutation:\n{output[-3000:]}")
            self.baseline[name] = round(seconds, 2)
            self.limits[name] = self.args.time_factor * seconds + self.args.time_slack
            self.say(
                f"mutants: {name} passes unmutated in {seconds:.1f} s; limit {self.limits[name]:.0f} s"
            )

    def run_group(self, worker, group, total):
        """Runs the mutants of one file in order, then puts the file back."""
        results = []
        rel = group[0].path
        copy = worker.tree / rel
        original = copy.read_text(encoding="utf-8")
        try:
            for m in group:
                if self.stopping:
                    break
                results.append(self.run_one(worker, m, original, copy))
                with self.lock:
                    self.done += 1
                    done = self.done
                r = results[-1]
                extra = f" by {r['killed_by']}" if r.get("killed_by") else ""
                self.say(
                    f"[{done}/{total}] {m.path}:{m.line} {m.describe()} -> {r['status']}{extra} "
                    f"({r['build_seconds'] + r['test_seconds']:.0f} s)"
                )
        finally:
            if not self.args.keep:
                copy.write_text(original, encoding="utf-8")
        return results

    def run_one(self, worker, m, original, copy):
        mutated = original[: m.start] + m.replacement + original[m.end :]
        copy.write_text(mutated, encoding="utf-8")
        diff = "".join(
            difflib.unified_diff(
                original.splitlines(True),
                copy.read_text(encoding="utf-8").splitlines(True),
                m.path,
                m.path,
                n=0,
            )
        )
        result = {
            "id": m.id,
            "folder": m.folder,
            "file": m.path,
            "line": m.line,
            "column": m.column,
            "operator": m.op,
            "original": m.original,
            "replacement": m.replacement,
            "mutation": m.describe(),
            "before": m.before,
            "after": m.after,
            "diff": diff,
            "build_seconds": 0.0,
            "test_seconds": 0.0,
        }
        status = "survived"
        for name in TEST_PROGRAMS[m.folder]:
            if self.stopping:
                break
            started = time.monotonic()
            error = worker.build_targets([name], 1, self.args.build_limit)
            result["build_seconds"] += time.monotonic() - started
            if error:
                status = "no compile"
                result["error"] = error
                break
            code, output, seconds = worker.run_test(name, self.args.seed, self.limits[name])
            result["test_seconds"] += seconds
            if code is None:
                status = "timed out"
                result["killed_by"] = name
                break
            if code != 0:
                status = "killed"
                failed = first_failure(output)
                how = failed or (f"signal {-code}" if code < 0 else f"exit {code}")
                result["killed_by"] = f"{name} ({how})"
                break
        result["status"] = status
        result["build_seconds"] = round(result["build_seconds"], 2)
        result["test_seconds"] = round(result["test_seconds"], 2)
        return result

    def run(self, folders, candidates):
        """Takes each folder's sites in rank order until `sample` of them compiled."""
        programs = {p for f in folders for p in TEST_PROGRAMS[f]}
        self.prepare(programs)
        queue = {f: list(candidates[f]) for f in folders}
        compiled = {f: 0 for f in folders}
        results = []
        executor = concurrent.futures.ThreadPoolExecutor(max_workers=len(self.workers))
        free = list(self.workers)
        try:
            while True:
                batch = []
                for f in folders:
                    want = self.args.sample - compiled[f]
                    batch.extend(queue[f][:want] if want > 0 else [])
                    queue[f] = queue[f][max(want, 0) :]
                if not batch:
                    break
                total = self.done + len(batch)
                groups = {}
                for m in sorted(batch, key=lambda m: (m.path, m.start)):
                    groups.setdefault(m.path, []).append(m)
                pending, futures = list(groups.values()), {}
                while pending or futures:
                    while pending and free:
                        worker = free.pop()
                        futures[
                            executor.submit(self.run_group, worker, pending.pop(0), total)
                        ] = worker
                    finished, _ = concurrent.futures.wait(
                        futures, return_when=concurrent.futures.FIRST_COMPLETED
                    )
                    for future in finished:
                        free.append(futures.pop(future))
                        for r in future.result():
                            results.append(r)
                            if r["status"] != "no compile":
                                compiled[r["folder"]] += 1
        except KeyboardInterrupt:
            self.stopping = True
            for worker in self.workers:
                worker.stop()
            self.say("mutants: interrupted; writing what finished")
            executor.shutdown(wait=True, cancel_futures=True)
            return results, True
        executor.shutdown()
        return results, False


# ---------------------------------------------------------------------------------------------
# Reports.


def summarize(results, folders):
    rows = {}
    for f in folders:
        mine = [r for r in results if r["folder"] == f]
        counts = {s: sum(r["status"] == s for r in mine) for s in STATUSES}
        compiled = len(mine) - counts["no compile"]
        caught = counts["killed"] + counts["timed out"]
        seconds = [r["build_seconds"] + r["test_seconds"] for r in mine]
        rows[f] = {
            "tried": len(mine),
            "compiled": compiled,
            **counts,
            "kill_rate": round(100.0 * caught / compiled, 1) if compiled else None,
            "seconds_per_mutant": round(sum(seconds) / len(seconds), 1) if seconds else None,
        }
    return rows


def table_lines(summary):
    head = f"{'folder':<18}{'compiled':>9}{'killed':>8}{'survived':>10}{'timed out':>11}{'no compile':>12}{'kill rate':>11}{'s/mutant':>10}"
    lines = [head]
    totals = {k: 0 for k in ("compiled", "killed", "survived", "timed out", "no compile")}
    for folder, row in summary.items():
        for k in totals:
            totals[k] += row[k]
        lines.append(_row(folder, row))
    caught = totals["killed"] + totals["timed out"]
    totals["kill_rate"] = (
        round(100.0 * caught / totals["compiled"], 1) if totals["compiled"] else None
    )
    totals["seconds_per_mutant"] = None
    lines.append(_row("all", totals))
    return lines


def _row(name, row):
    rate = "-" if row["kill_rate"] is None else f"{row['kill_rate']:.1f} %"
    per = "" if row.get("seconds_per_mutant") is None else f"{row['seconds_per_mutant']:.1f}"
    return (
        f"{name:<18}{row['compiled']:>9}{row['killed']:>8}{row['survived']:>10}{row['timed out']:>11}"
        f"{row['no compile']:>12}{rate:>11}{per:>10}"
    )


def print_report(report):
    print(
        f"Mutants: seed {report['seed']}, {report['sample']} compiled per folder, tree {report['commit']}"
    )
    print("kill rate = (killed + timed out) / compiled")
    print()
    for line in table_lines(report["folders"]):
        print(line)
    survivors = [r for r in report["mutants"] if r["status"] == "survived"]
    by_op = {}
    for r in survivors:
        by_op[r["operator"]] = by_op.get(r["operator"], 0) + 1
    print()
    print(
        f"Survivors ({len(survivors)}; {', '.join(f'{k} {v}' for k, v in sorted(by_op.items(), key=lambda kv: -kv[1]))}):"
    )
    for r in sorted(survivors, key=lambda r: (r["file"], r["line"])):
        print(f"  {r['file']}:{r['line']}  {r['mutation']}  [{r['id']}]")
        print(f"      - {r['before'].strip()}")
        print(f"      + {r['after'].strip()}")


def compare(path_a, path_b):
    a, b = (json.loads(Path(p).read_text()) for p in (path_a, path_b))
    if (a["seed"], a["sample"]) != (b["seed"], b["sample"]):
        print(
            f"note: the runs differ in seed or sample ({a['seed']}/{a['sample']} vs {b['seed']}/{b['sample']})"
        )
    folders = list(dict.fromkeys([*a["folders"], *b["folders"]]))
    empty = {k: 0 for k in ("compiled", "killed", "survived", "timed out", "no compile")}
    empty.update(kill_rate=None, seconds_per_mutant=None)
    left = table_lines({f: a["folders"].get(f, empty) for f in folders})
    right = table_lines({f: b["folders"].get(f, empty) for f in folders})
    width = max(len(line) for line in left)
    print(f"{'A: ' + path_a:<{width}}   B: {path_b}")
    for la, lb in zip(left, right):
        print(f"{la:<{width}} | {lb[18:]}")
    print()
    print("kill rate change by folder:")
    for f in folders:
        ra, rb = a["folders"].get(f, {}).get("kill_rate"), b["folders"].get(f, {}).get("kill_rate")
        change = "-" if ra is None or rb is None else f"{rb - ra:+.1f} points"
        print(
            f"  {f:<18}{change}{'   FELL' if ra is not None and rb is not None and rb < ra else ''}"
        )
    by_id_a = {r["id"]: r for r in a["mutants"]}
    by_id_b = {r["id"]: r for r in b["mutants"]}
    changed = [
        (by_id_a[i], by_id_b[i])
        for i in by_id_a
        if i in by_id_b and by_id_a[i]["status"] != by_id_b[i]["status"]
    ]
    only_a = [r for i, r in by_id_a.items() if i not in by_id_b]
    only_b = [r for i, r in by_id_b.items() if i not in by_id_a]
    print()
    print(
        f"same mutants in both: {len(by_id_a) - len(only_a)}; only in A: {len(only_a)}; only in B: {len(only_b)}"
    )
    if changed:
        print("status changed:")
        for ra, rb in sorted(changed, key=lambda p: (p[0]["file"], p[0]["line"])):
            print(
                f"  {ra['file']}:{ra['line']}  {ra['mutation']}: {ra['status']} -> {rb['status']}"
            )


def git_state():
    try:
        head = subprocess.run(
            ["git", "rev-parse", "--short", "HEAD"], cwd=ROOT, capture_output=True, text=True
        ).stdout.strip()
        dirty = subprocess.run(
            ["git", "status", "--porcelain"], cwd=ROOT, capture_output=True, text=True
        ).stdout.strip()
        return head + ("+changes" if dirty else "")
    except OSError:
        return "unknown"


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument(
        "folders", nargs="*", default=DEFAULT_FOLDERS, help="source folders (default: %(default)s)"
    )
    parser.add_argument("--seed", type=int, default=1, help="picks the sites (default 1)")
    parser.add_argument(
        "--sample", type=int, default=20, help="compiled mutants per folder (default 20)"
    )
    parser.add_argument(
        "--jobs", type=int, default=1, help="mutants built and run at once (default 1)"
    )
    parser.add_argument(
        "--json",
        default=None,
        help="where to write the result (default: <scratch>/seed-<seed>.json)",
    )
    parser.add_argument(
        "--scratch",
        default=str(ROOT / "build-mutants"),
        help="scratch folder (default build-mutants/)",
    )
    parser.add_argument(
        "--time-factor", type=float, default=3.0, help="limit = factor x unmutated time + slack"
    )
    parser.add_argument(
        "--time-slack", type=float, default=10.0, help="seconds added to each test limit"
    )
    parser.add_argument(
        "--build-limit", type=float, default=900.0, help="seconds one mutant's build may take"
    )
    parser.add_argument(
        "--list", action="store_true", help="print the sites the seed picks first; build nothing"
    )
    parser.add_argument(
        "--only",
        action="append",
        default=[],
        metavar="ID",
        help="run only this mutant (repeatable)",
    )
    parser.add_argument(
        "--keep", action="store_true", help="leave the last mutant applied in the scratch copy"
    )
    parser.add_argument(
        "--compare", nargs=2, metavar=("A.json", "B.json"), help="print two results side by side"
    )
    args = parser.parse_args()

    if args.compare:
        compare(*args.compare)
        return
    folders = [f.rstrip("/") for f in args.folders]
    for f in folders:
        if f not in TEST_PROGRAMS:
            parser.error(f"no test program is known for {f}; known: {', '.join(TEST_PROGRAMS)}")
    if args.jobs < 1 or args.sample < 1:
        parser.error("--jobs and --sample must be at least 1")

    candidates = {}
    for f in folders:
        sites = ranked_sites(f, args.seed)
        for m in sites:
            m.folder = f
        if args.only:
            sites = [m for m in sites if m.id in args.only]
        candidates[f] = sites

    if args.list:
        for f in folders:
            ops = {}
            for m in candidates[f]:
                ops[m.op] = ops.get(m.op, 0) + 1
            print(
                f"{f}: {len(candidates[f])} sites ({', '.join(f'{k} {v}' for k, v in sorted(ops.items()))})"
            )
            for m in candidates[f][: args.sample]:
                print(f"  [{m.id}] {m.path}:{m.line}  {m.describe()}")
        return

    started = datetime.datetime.now()
    runner = Runner(args)
    results, interrupted = runner.run(folders, candidates)
    report = {
        "seed": args.seed,
        "sample": args.sample,
        "commit": git_state(),
        "started": started.isoformat(timespec="seconds"),
        "minutes": round((datetime.datetime.now() - started).total_seconds() / 60, 1),
        "interrupted": interrupted,
        "jobs": args.jobs,
        "time_limit": f"{args.time_factor:g} x unmutated + {args.time_slack:g} s",
        "baseline_seconds": runner.baseline,
        "folders": summarize(results, folders),
        "mutants": sorted(results, key=lambda r: (r["folder"], r["file"], r["line"], r["column"])),
    }
    out = Path(args.json) if args.json else runner.scratch / f"seed-{args.seed}.json"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps(report, indent=1) + "\n")
    print_report(report)
    print()
    print(f"{report['minutes']} min; result written to {out}")


if __name__ == "__main__":
    main()
