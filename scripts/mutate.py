#!/usr/bin/env python3
"""Mutation testing for the host tests.

Applies one simple mutation at a time to the given source files in a scratch
copy of the tree, builds the host preset there, runs the host tests that use
what was rebuilt, and prints for each mutation whether a test failed (killed)
or every test still passed (survived), with file:line.

    scripts/mutate.py [options] FILE_OR_FOLDER...

Mutations:
  number     an integer literal +1 and -1
  compare    == and !=, < and <=, > and >= swapped
  logic      && and || swapped
  string     a string literal with one character changed (or emptied)
  swap       two adjacent simple statements of a source file swapped (waits,
             calls and writes among them; declarations are left in their order)
  row        one row of a table replaced by its neighbour (a row on a line of
             its own, {...}, between rows of the same shape)
  limit      a comparison's named limit moved by one (x < kMax -> x < kMax + 1)
  sibling    a constant replaced by its sibling: SPI_GET... and SPI_SET...,
             one message, command, control or text id for the next one of its
             family used in the same file

A mutation whose build fails is "stillborn" and counts neither way, nor does
one in a source no host program compiles (the Windows entry points) or one
listed in scripts/mutate-equivalent.txt (judged to change no behaviour,
each with its reason). The score
is killed / (killed + survived). A developer's tool, not a test stage: a full
run over installer/ takes hours, so --sample picks a reproducible subset
(--seed; a mutation's place in it depends only on its file and the text of its
lines, so edits elsewhere do not change the sample), --only limits the kinds
and --at FILE:LINE re-runs the mutations of one line.

The scratch copy lives in build/mutate/tree (tracked files only, refreshed
from the checkout at each start) with its own unoptimised host build in
build/mutate/tree/build/host; the checkout itself is never changed.
"""

import argparse
import filecmp
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_SUFFIXES = (".cpp", ".h", ".c")

# Lines that are never mutated: preprocessor lines, static assertions and
# comments hold nothing a test could reach through behaviour.
SKIP_LINE = re.compile(r"^\s*(#|//|\*|/\*(?!.*\*/\s*\S)|static_assert|namespace\b|using\b|template\b|"
                       r"extern\b|public:|private:|protected:|case\b.*:\s*$)")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)([uU]?[lL]{0,2})(?![\w.])")
COMPARE = re.compile(r"(?<![<>=!&|+\-*/%^])(==|!=|<=|>=|<|>)(?![<>=])")
LOGIC = re.compile(r"(&&|\|\|)")
STRING = re.compile(r'(u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"')
SIMPLE_STATEMENT = re.compile(r"^(\s*)[^\s{}#/][^{}]*;\s*(//.*)?$")
DECLARATION_START = re.compile(r"^\s*(inline\s+|const\s+|static\s+|constexpr\s+|auto\s+|std::|[A-Z]\w*\s+\w+\s*[=;({]|"
                               r"(unsigned|int|bool|char|char16_t|wchar_t|long|short|size_t|double|float|"
                               r"DWORD|BOOL|HANDLE|uint\w*|int\w*)\b)")
# One element of a table on a line of its own: a braced row or a single
# value, with the comma that ends it.
TABLE_ROW = re.compile(r"^(\s*)(\{.*\}|[^\s{}()=;:?][^{}()=;:?]*),\s*$")
NAMED_LIMIT = re.compile(r"(?<![<>=!&|+\-*/%^])(<=|>=|<|>)\s*([A-Za-z_][\w:]*::)?(k[A-Z]\w*|[A-Z][A-Z0-9_]{2,})\b"
                         r"(?!\s*[(\[.]|::)")
# Families of constants whose members a slip of the finger exchanges: the
# prefix a family shares, longest first.
SIBLING_FAMILIES = ("kSpiGet", "kSpiSet", "SPI_GET", "SPI_SET", "kWm", "WM_", "kNim", "NIM_", "kNif",
                    "NIF_", "kBn", "kCbn", "IDC_", "IDD_", "IDB_", "kText", "kExit", "TIMER_", "kTimer",
                    "kMb", "kId")
SIBLING_PAIRS = (("kSpiGet", "kSpiSet"), ("SPI_GET", "SPI_SET"))
# A declaration of a member or a function (a type, then a name, perhaps a
# parameter list): declarations in either order declare the same.
MEMBER_DECLARATION = re.compile(r"^\s*(virtual\s+)?[\w:<>,]+[\s\*&]+[\*&]?\w+\s*(\([^;]*\))?\s*(const)?\s*"
                                r"(override|noexcept)?\s*(=\s*0)?;\s*$")
COMPARE_SWAP = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">"}


class Mutation:
    def __init__(self, path, line, kind, before, after, description):
        self.path = path
        self.line = line
        self.kind = kind
        self.before = before  # the whole original text of the lines touched
        self.after = after
        self.description = description

    def where(self):
        return f"{self.path}:{self.line}"


ASSIGNMENT = re.compile(r"^\s*([A-Za-z_][\w.]*(?:->\w+)*)\s*=(?!=)\s*(.*);\s*$")
PURE_VALUE = re.compile(r"^[\w.:\s\"'+-]*$|^std::move\(\w+\)$")


def independent_assignments(first, second):
    """Two assignments to different plain members or variables, each of a
    constant, a name or a moved name that is not the other's target: their
    order cannot matter, so swapping them only makes an equivalent mutant."""
    a = ASSIGNMENT.match(first)
    b = ASSIGNMENT.match(second)
    if not (a and b) or a.group(1) == b.group(1):
        return False
    for target, value in ((a.group(1), b.group(2)), (b.group(1), a.group(2))):
        if not PURE_VALUE.match(value.strip()) or re.search(r"\b" + re.escape(target) + r"\b", value):
            return False
    return True


def equivalence_key(mutation):
    """What names a mutation in the list of equivalent ones: its file, its
    kind, its change (without line numbers) and its first line's text."""
    change = "-" if mutation.kind == "swap" else mutation.description
    return (mutation.path, mutation.kind, change, mutation.before.split("\n")[0].strip())


def read_equivalent(path):
    """The mutations a developer has judged equivalent: they change no
    behaviour, so no test can fail, and they count neither way. One per line:
    FILE | KIND | CHANGE | LINE TEXT | WHY ("-" as CHANGE for a swap)."""
    found = {}
    if not path or not os.path.exists(path):
        return found
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            fields = [field.strip() for field in line.rstrip("\n").split(" | ")]
            if len(fields) != 5:
                sys.exit(f"mutate: {path}: not FILE | KIND | CHANGE | LINE | WHY: {line.strip()}")
            found[tuple(fields[:4])] = fields[4]
    # An entry whose line was edited or renamed matches nothing any more, and
    # its mutation would count again unread: say so rather than score it.
    stale = []
    for file, _, _, text in found:
        source = os.path.join(ROOT, file)
        lines = set()
        if os.path.exists(source):
            with open(source, encoding="utf-8") as f:
                lines = {line.strip() for line in f}
        if text not in lines:
            stale.append(f"  {file}: {text}")
    if stale:
        sys.exit(f"mutate: {path}: entries whose line is no longer in its file:\n" + "\n".join(stale))
    return found


def sample_key(seed, mutation):
    """A mutation's place in the sample order. It depends on the file, the
    text of the lines and the change only, never on line numbers or other
    files, so a sample stays the same when unrelated code moves."""
    text = "|".join([str(seed), mutation.path, mutation.kind, mutation.before.strip(),
                     mutation.after.strip()])
    return hashlib.sha256(text.encode("utf-8")).hexdigest(), mutation.line


def strip_strings_and_comments(line):
    """The line with string and character literals and comments blanked, so
    operators and numbers inside them are not taken for code."""
    out = re.sub(r'"(?:[^"\\]|\\.)*"', lambda m: '"' + " " * (len(m.group(0)) - 2) + '"', line)
    out = re.sub(r"'(?:[^'\\]|\\.)*'", lambda m: "'" + " " * (len(m.group(0)) - 2) + "'", out)
    # A comment within the line (a row's "/*  3 */") is blanked, not removed,
    # so that the columns still match the line's text.
    out = re.sub(r"/\*.*?\*/", lambda m: " " * len(m.group(0)), out)
    cut = out.find("//")
    if cut >= 0:
        out = out[:cut] + " " * (len(out) - cut)
    return out


def in_template_angle(code, start):
    """True when the operator at start is probably a template bracket or an
    include (std::vector<int>, static_cast<T>(...))."""
    before = code[:start].rstrip()
    return bool(re.search(r"(_cast|template|vector|array|map|set|optional|pair|tuple|function|"
                          r"unique_ptr|shared_ptr|span|string_view|basic_string|numeric_limits|"
                          r"is_same_v|\w+_t|Types)\s*$", before)) or code[start:start + 2] == "<<" or \
        code[max(0, start - 1):start + 1] == ">>"


def row_code(text):
    """A line's code without literals' contents and comments."""
    return re.sub(r"/\*.*?\*/", "", strip_strings_and_comments(text)).rstrip()


def without_comments(text):
    """A line's text with its comments removed and its literals kept."""
    blanked = strip_strings_and_comments(text)
    return re.sub(r"/\*.*?\*/", "", text[:len(blanked.rstrip())]).strip()


def row_shape(code):
    """A table row's shape, so that a row is only replaced by a neighbour of
    the same table: its text with every name, number and literal alike."""
    return re.sub(r'(u8|u|U|L)?"\s*"|\b\w+\b', "w", code).replace(" ", "")


def sibling_names(code_text):
    """Each family's members used in a file, sorted."""
    families = {}
    for m in re.finditer(r"\b(" + "|".join(SIBLING_FAMILIES) + r")[A-Za-z0-9_]*\b", code_text):
        name = m.group(0)
        family = next(f for f in SIBLING_FAMILIES if name.startswith(f))
        if name != family:
            families.setdefault(family, set()).add(name)
    return {family: sorted(names) for family, names in families.items()}


def sibling_of(name, families):
    for get, put in SIBLING_PAIRS:
        if name.startswith(get):
            return put + name[len(get):]
        if name.startswith(put):
            return get + name[len(put):]
    family = next((f for f in SIBLING_FAMILIES if name.startswith(f)), None)
    members = families.get(family, [])
    if family is None or name not in members or len(members) < 2:
        return None
    return members[(members.index(name) + 1) % len(members)]


def mutations_of_file(path, kinds):
    rel = os.path.relpath(path, ROOT)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    found = []
    families = sibling_names("\n".join(strip_strings_and_comments(l) for l in lines)) \
        if "sibling" in kinds else {}
    in_block_comment = False
    for index, line in enumerate(lines):
        number = index + 1
        stripped = line.strip()
        if in_block_comment:
            if "*/" in stripped:
                in_block_comment = False
            continue
        if stripped.startswith("/*") and "*/" not in stripped:
            in_block_comment = True
            continue
        if not stripped or SKIP_LINE.match(line):
            continue
        code = strip_strings_and_comments(line)

        def replaced(start, end, text):
            return line[:start] + text + line[end:]

        if "number" in kinds and "[" not in code.split("=")[0][-1:]:
            for m in NUMBER.finditer(code):
                # Array sizes in declarations change the layout, not the
                # behaviour; leave numbers inside [] alone.
                if code[:m.start()].count("[") > code[:m.start()].count("]"):
                    continue
                text = m.group(1)
                value = int(text, 16) if text.lower().startswith("0x") else int(text)
                for delta in (1, -1):
                    changed = value + delta
                    if changed < 0:
                        continue
                    new = (hex(changed).upper().replace("0X", "0x") if text.lower().startswith("0x")
                           else str(changed)) + m.group(2)
                    found.append(Mutation(rel, number, "number", line, replaced(m.start(), m.end(), new),
                                          f"{text} -> {new}"))
        if "compare" in kinds:
            for m in COMPARE.finditer(code):
                op = m.group(1)
                if op in ("<", ">") and in_template_angle(code, m.start()):
                    continue
                if code[m.start() - 1:m.start()] == "-" and op == ">":  # ->
                    continue
                new = COMPARE_SWAP[op]
                found.append(Mutation(rel, number, "compare", line, replaced(m.start(), m.end(), new),
                                      f"{op} -> {new}"))
        if "logic" in kinds:
            for m in LOGIC.finditer(code):
                new = "||" if m.group(1) == "&&" else "&&"
                found.append(Mutation(rel, number, "logic", line, replaced(m.start(), m.end(), new),
                                      f"{m.group(1)} -> {new}"))
        if "string" in kinds and "extern \"C\"" not in line:
            for m in STRING.finditer(line):
                if code[m.start():m.start() + 1] not in ('"', "u", "U", "L"):
                    continue
                body = m.group(2)
                prefix = m.group(1) or ""
                if body:
                    # Change the first plain character; an escape stays whole.
                    pos = 0 if body[0] != "\\" else None
                    if pos is None:
                        continue
                    ch = body[0]
                    new_ch = "Q" if ch != "Q" else "Z"
                    new_body = new_ch + body[1:]
                else:
                    new_body = "Q"
                new = f'{prefix}"{new_body}"'
                found.append(Mutation(rel, number, "string", line, replaced(m.start(), m.end(), new),
                                      f'"{body[:24]}" -> "{new_body[:24]}"'))
        if "limit" in kinds:
            for m in NAMED_LIMIT.finditer(code):
                if in_template_angle(code, m.start()) or code[m.start() - 1:m.start()] == "-":
                    continue
                name = (m.group(2) or "") + m.group(3)
                start = m.end() - len(name)
                for sign in ("+", "-"):
                    found.append(Mutation(rel, number, "limit", line,
                                          replaced(start, m.end(), f"({name} {sign} 1)"),
                                          f"{name} -> {name} {sign} 1"))
        if "sibling" in kinds:
            for m in re.finditer(r"\b(" + "|".join(SIBLING_FAMILIES) + r")[A-Za-z0-9_]*\b", code):
                new = sibling_of(m.group(0), families)
                # A constant's own definition is left alone: renamed, it
                # would only be defined twice.
                if re.match(r"\s*(=(?!=)|\[)", code[m.end():]):
                    continue
                if new and new != m.group(0):
                    found.append(Mutation(rel, number, "sibling", line, replaced(m.start(), m.end(), new),
                                          f"{m.group(0)} -> {new}"))
        if "row" in kinds and index + 1 < len(lines):
            nxt = lines[index + 1]
            a = TABLE_ROW.match(row_code(line))
            b = TABLE_ROW.match(row_code(nxt))
            if (a and b and a.group(1) == b.group(1) and line.strip() != nxt.strip()
                    and without_comments(line) != without_comments(nxt)
                    and row_shape(a.group(2)) == row_shape(b.group(2))):
                found.append(Mutation(rel, number, "row", line, a.group(1) + nxt.strip(),
                                      f"row {number} replaced by row {number + 1}"))
        # A header's adjacent lines are declarations: in either order they
        # declare the same, so its statements are not swapped.
        if "swap" in kinds and index + 1 < len(lines) and not rel.endswith(".h"):
            nxt = lines[index + 1]
            a = SIMPLE_STATEMENT.match(line)
            b = SIMPLE_STATEMENT.match(nxt)
            if (a and b and a.group(1) == b.group(1) and not DECLARATION_START.match(line)
                    and not DECLARATION_START.match(nxt) and not MEMBER_DECLARATION.match(code)
                    and not MEMBER_DECLARATION.match(strip_strings_and_comments(nxt)) and "return" not in code
                    and "return" not in strip_strings_and_comments(nxt)
                    and not line.rstrip().endswith(",") and line.strip() != nxt.strip()
                    and "break;" not in line and "break;" not in nxt
                    and not independent_assignments(code, strip_strings_and_comments(nxt))):
                found.append(Mutation(rel, number, "swap", line + "\n" + nxt, nxt + "\n" + line,
                                      f"lines {number} and {number + 1} swapped"))
    return found


def source_files(arguments):
    files = []
    for argument in arguments:
        path = os.path.abspath(argument)
        if os.path.isdir(path):
            for folder, _, names in os.walk(path):
                files += [os.path.join(folder, n) for n in sorted(names) if n.endswith(SOURCE_SUFFIXES)]
        elif os.path.isfile(path):
            files.append(path)
        else:
            sys.exit(f"mutate: no such file or folder: {argument}")
    return sorted(set(files))


def run(command, cwd, timeout=None, env=None):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout, env=env)


def prepare_tree(scratch, jobs):
    """A copy of the tracked files and a configured, built host preset."""
    tree = os.path.join(scratch, "tree")
    listed = run(["git", "ls-files", "-z"], ROOT).stdout.split("\0")
    kept = set()
    for rel in listed:
        if not rel or rel.startswith("fuzz/corpus/"):
            continue
        source = os.path.join(ROOT, rel)
        target = os.path.join(tree, rel)
        if not os.path.isfile(source):
            continue
        kept.add(os.path.normpath(target))
        if os.path.exists(target) and filecmp.cmp(source, target, shallow=False):
            continue
        # A plain copy takes the time of copying: an object built from the
        # earlier text is then older than its source and is rebuilt.
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)
    # Files the checkout no longer tracks leave the copy too.
    for folder, dirs, names in os.walk(tree):
        if os.path.normpath(folder) == os.path.normpath(tree):
            dirs[:] = [d for d in dirs if d not in ("build", ".git")]
        for name in names:
            path = os.path.normpath(os.path.join(folder, name))
            if path not in kept:
                os.remove(path)
    build = os.path.join(tree, "build", "host")
    env = dict(os.environ)
    # No optimisation and no debug information: each mutation recompiles one
    # file and relinks its tests, and that is what the run spends its time on.
    configure = ["cmake", "--preset", "host", "-DPELMORA_BENCH=OFF", "-DCMAKE_BUILD_TYPE=",
                 "-DCMAKE_CXX_FLAGS=-g0", "-DCMAKE_C_FLAGS=-g0"]
    if shutil.which("ccache"):
        configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        env.setdefault("CCACHE_BASEDIR", os.path.dirname(ROOT))
        env.setdefault("CCACHE_NOHASHDIR", "1")
    if not os.path.exists(os.path.join(build, "build.ninja")):
        result = run(configure, tree, env=env)
        if result.returncode:
            sys.exit("mutate: configure failed\n" + result.stdout[-3000:])
    result = run(["cmake", "--build", build, "-j", str(jobs)], tree, env=env)
    if result.returncode:
        sys.exit("mutate: the unmutated tree does not build\n" + result.stdout[-3000:])
    return tree, build, env


def test_commands(build):
    """ctest's tests with the executable each runs (the first argument that
    names a file in the build tree)."""
    shown = run(["ctest", "--test-dir", build, "--show-only=json-v1", "-LE", "wine-e2e"], build)
    data = json.loads(shown.stdout)
    tests = {}
    for test in data.get("tests", []):
        command = test.get("command") or []
        tests[test["name"]] = [c for c in command if c.startswith(build)]
    return tests


def compiled_sources(build):
    """Every source and header some host object was compiled from, as ninja
    recorded it: a mutation anywhere else reaches no host program."""
    result = run(["ninja", "-C", build, "-t", "deps"], build)
    found = set()
    for line in result.stdout.splitlines():
        if line.startswith("    "):
            found.add(os.path.realpath(os.path.join(build, line.strip())))
    return found


def executables(build):
    found = {}
    for folder, _, names in os.walk(build):
        if "CMakeFiles" in folder:
            continue
        for name in names:
            path = os.path.join(folder, name)
            if os.access(path, os.X_OK) and os.path.isfile(path) and not name.endswith((".sh", ".py")):
                found[path] = os.path.getmtime(path)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("paths", nargs="+", help="source files or folders to mutate")
    parser.add_argument("--sample", type=int, default=0, help="try only N mutations of a reproducible sample")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    parser.add_argument("--only", default="number,compare,logic,string,swap,row,limit,sibling",
                        help="comma-separated kinds of mutation")
    parser.add_argument("--list", action="store_true", help="list the mutations and stop")
    parser.add_argument("--at", action="append", default=[], metavar="FILE:LINE",
                        help="try only the mutations of this line (may be repeated)")
    parser.add_argument("--jobs", type=int, default=int(os.environ.get("PELMORA_JOBS", "2")))
    parser.add_argument("--timeout", type=int, default=300, help="seconds for one mutation's tests")
    parser.add_argument("--scratch", default=os.path.join(ROOT, "build", "mutate"))
    parser.add_argument("--report", help="write the results as JSON lines to this file")
    parser.add_argument("--equivalent", default=os.path.join(ROOT, "scripts", "mutate-equivalent.txt"),
                        help="the list of mutations judged equivalent")
    args = parser.parse_args()

    kinds = set(args.only.split(","))
    files = source_files(args.paths)
    mutations = []
    for path in files:
        mutations += mutations_of_file(path, kinds)
    if args.at:
        places = set(args.at)
        mutations = [m for m in mutations if m.where() in places]
    if args.sample and args.sample < len(mutations):
        mutations = sorted(mutations, key=lambda m: sample_key(args.seed, m))[:args.sample]
        mutations.sort(key=lambda m: (m.path, m.line, m.kind))
    equivalent = read_equivalent(args.equivalent)
    if args.list:
        for m in mutations:
            print(f"{m.where()}: {m.kind}: {m.description}")
        print(f"{len(mutations)} mutations in {len(files)} files")
        return 0
    if not mutations:
        print("no mutations")
        return 0

    os.makedirs(args.scratch, exist_ok=True)
    tree, build, env = prepare_tree(args.scratch, args.jobs)
    tests = test_commands(build)
    compiled = compiled_sources(build)
    report = open(args.report, "w") if args.report else None
    counts = {"killed": 0, "survived": 0, "stillborn": 0, "equivalent": 0, "unbuilt": 0}
    by_kind = {}
    survivors = []
    started = time.time()
    for number, m in enumerate(mutations, 1):
        why = equivalent.get(equivalence_key(m))
        if why:
            counts["equivalent"] += 1
            by_kind.setdefault(m.kind, {"killed": 0, "survived": 0})
            print(f"[{number}/{len(mutations)}] {m.where()}: {m.kind}: {m.description}: "
                  f"equivalent ({why})", flush=True)
            continue
        path = os.path.join(tree, m.path)
        if os.path.realpath(path) not in compiled:
            # A Windows-only source. Decided before building: the build would
            # also relink what the previous mutation's restored file reaches.
            counts["unbuilt"] += 1
            print(f"[{number}/{len(mutations)}] {m.where()}: {m.kind}: {m.description}: unbuilt", flush=True)
            continue
        with open(path, encoding="utf-8") as f:
            original = f.read()
        marker = original.split("\n")
        index = m.line - 1
        span = m.before.count("\n") + 1
        if "\n".join(marker[index:index + span]) != m.before:
            print(f"[{number}/{len(mutations)}] {m.where()}: skipped, the line changed")
            continue
        marker[index:index + span] = m.after.split("\n")
        before_build = executables(build)
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(marker))
            built = run(["cmake", "--build", build, "-j", str(args.jobs)], tree, env=env)
            if built.returncode:
                outcome = "stillborn"
            else:
                after_build = executables(build)
                changed = {p for p, t in after_build.items() if before_build.get(p) != t}
                chosen = sorted(name for name, command in tests.items()
                                if any(c in changed for c in command))
                if not changed:
                    outcome = "unbuilt"  # a Windows-only source: no host program has it
                elif not chosen:
                    outcome = "survived"
                else:
                    pattern = "^(" + "|".join(re.escape(n) for n in chosen) + ")$"
                    try:
                        result = run(["ctest", "--test-dir", build, "-R", pattern, "-j", str(args.jobs),
                                      "--stop-on-failure", "--timeout", str(args.timeout)], build,
                                     timeout=args.timeout * 2, env=env)
                        outcome = "killed" if result.returncode else "survived"
                    except subprocess.TimeoutExpired:
                        outcome = "killed"  # a hang is a failure the suite sees
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        counts[outcome] += 1
        kind_counts = by_kind.setdefault(m.kind, {"killed": 0, "survived": 0})
        if outcome in kind_counts:
            kind_counts[outcome] += 1
        line = f"[{number}/{len(mutations)}] {m.where()}: {m.kind}: {m.description}: {outcome}"
        print(line, flush=True)
        if outcome == "survived":
            survivors.append(line)
        if report:
            report.write(json.dumps({"where": m.where(), "kind": m.kind, "description": m.description,
                                     "outcome": outcome}) + "\n")
            report.flush()
    # Put the tree's objects back to the unmutated state for the next run.
    run(["cmake", "--build", build, "-j", str(args.jobs)], tree, env=env)
    decided = counts["killed"] + counts["survived"]
    score = 100.0 * counts["killed"] / decided if decided else 0.0
    print()
    print("Survived:")
    for line in survivors:
        print("  " + line)
    for kind, kind_counts in sorted(by_kind.items()):
        decided_here = kind_counts["killed"] + kind_counts["survived"]
        share = 100.0 * kind_counts["killed"] / decided_here if decided_here else 100.0
        print(f"  {kind}: {kind_counts['killed']} killed, {kind_counts['survived']} survived: {share:.1f} %")
    print(f"{counts['killed']} killed, {counts['survived']} survived, {counts['stillborn']} stillborn, "
          f"{counts['equivalent']} equivalent, {counts['unbuilt']} in no host program; score {score:.1f} % in {time.time() - started:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
