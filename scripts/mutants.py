#!/usr/bin/env python3
"""Source mutations of the module for scripts/mutation.sh.

  mutants.py list SRC_ROOT [--sample N] [--seed S]   one mutant a line: ID FILE LINE KIND
  mutants.py apply SRC_ROOT ID                      writes the mutant into the file under SRC_ROOT
  mutants.py show SRC_ROOT ID                       the line before and after

A mutant changes one place of one line of src/: a comparison or arithmetic operator, a logical
connective, an integer constant off by one, an if-condition negated, or a statement deleted.
Binary operators are matched with the spaces clang-format puts around them, so template angle
brackets and unary signs are left alone. Comments, string and character literals and
preprocessor lines are never touched. The list is stable for a given tree: IDs are positions in
it, so the same seed picks the same mutants as long as src/ is unchanged.
"""
import pathlib
import random
import re
import sys

SWAPS = {
    " < ": [" <= "], " <= ": [" < "], " > ": [" >= "], " >= ": [" > "],
    " == ": [" != "], " != ": [" == "],
    " + ": [" - "], " - ": [" + "], " * ": [" / "], " / ": [" * "],
    " && ": [" || "], " || ": [" && "],
    " += ": [" -= "], " -= ": [" += "],
}
OPERATOR = re.compile(r" (?:<=|>=|==|!=|&&|\|\||\+=|-=|<|>|\+|-|\*|/) ")
INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
IF_CONDITION = re.compile(r"\bif \(")
STATEMENT = re.compile(r"^\s*(?:[A-Za-z_][\w.:>\-\[\]]*\s*(?:\(|=[^=]|\+=|-=|\+\+|--)|\+\+|--|break;|continue;)")
SKIP_STATEMENT = re.compile(r"^\s*(?:return|case|default|const|auto|static|using|typedef|std::|[A-Z]\w*\s+\w+\s*[=({;])")


def blank_literals(line):
    """The line with string and character literals and any // comment replaced by spaces."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            out.append(" " if c != quote else c)
            quote = None if c == quote else quote
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            out.append(" " * (len(line) - i))
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)[: len(line)]


def code_lines(text):
    """(number, line, masked) for lines of code: block comments and preprocessor lines left out."""
    in_block = False
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.strip()
        if in_block:
            in_block = "*/" not in stripped
            continue
        if stripped.startswith("/*"):
            in_block = "*/" not in stripped
            continue
        if not stripped or stripped.startswith(("#", "//", "*")):
            continue
        yield number, line, blank_literals(line)


def closing_paren(masked, start):
    depth = 0
    for i in range(start, len(masked)):
        depth += {"(": 1, ")": -1}.get(masked[i], 0)
        if depth == 0:
            return i
    return None


def line_mutations(line, masked):
    """(kind, mutated line) for every mutation of one line."""
    for m in OPERATOR.finditer(masked):
        for replacement in SWAPS[m.group(0)]:
            yield "operator" + m.group(0).replace(" ", "_"), line[: m.start()] + replacement + line[m.end():]
    for m in INTEGER.finditer(masked):
        value = int(m.group(1))
        yield "constant+1", line[: m.start()] + str(value + 1) + line[m.end():]
        if value > 0:
            yield "constant-1", line[: m.start()] + str(value - 1) + line[m.end():]
    for m in IF_CONDITION.finditer(masked):
        close = closing_paren(masked, m.end() - 1)
        if close is not None:
            yield "negate", line[: m.end()] + "!(" + line[m.end(): close] + ")" + line[close:]
    if masked.rstrip().endswith(";") and STATEMENT.match(masked) and not SKIP_STATEMENT.match(masked):
        yield "delete", ""


def all_mutants(root):
    root = pathlib.Path(root)
    mutants = []
    for path in sorted((root / "src").rglob("*.cpp")):
        rel = path.relative_to(root).as_posix()
        for number, line, masked in code_lines(path.read_text(encoding="latin-1")):
            for index, (kind, mutated) in enumerate(line_mutations(line, masked)):
                mutants.append((rel, number, kind, index, mutated))
    return mutants


def choose(mutants, sample, seed):
    ids = list(range(len(mutants)))
    if sample and sample < len(ids):
        ids = sorted(random.Random(seed).sample(ids, sample))
    return ids


def apply(root, mutant):
    rel, number, _, _, mutated = mutant
    path = pathlib.Path(root) / rel
    lines = path.read_text(encoding="latin-1").split("\n")
    lines[number - 1] = mutated
    path.write_text("\n".join(lines), encoding="latin-1")


def main(argv):
    if len(argv) < 3 or argv[1] not in ("list", "apply", "show"):
        sys.stderr.write(__doc__)
        return 2
    root, mutants = argv[2], all_mutants(argv[2])
    if argv[1] == "list":
        sample = int(argv[argv.index("--sample") + 1]) if "--sample" in argv else 0
        seed = int(argv[argv.index("--seed") + 1]) if "--seed" in argv else 1
        for i in choose(mutants, sample, seed):
            rel, number, kind, _, _ = mutants[i]
            print(i, rel, number, kind)
        return 0
    mutant = mutants[int(argv[3])]
    if argv[1] == "apply":
        apply(root, mutant)
    else:
        original = (pathlib.Path(root) / mutant[0]).read_text(encoding="latin-1").split("\n")[mutant[1] - 1]
        print(f"{mutant[0]}:{mutant[1]} {mutant[2]}\n- {original.strip()}\n+ {mutant[4].strip()}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
