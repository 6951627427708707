#!/usr/bin/env python3
"""Checks the layers of docs/layers.md against the tree and the build.

  check_layers.py SOURCE_DIR [TARGET_MAP]

Reads every #include of the tree's C++ files and refuses an include the table does not
allow and Qt where a folder may have none. With TARGET_MAP (written by CMake into the
build folder) it also refuses a target that links Qt against its folder's row, and a
target that includes a library's header without linking that library.
Prints one line per fault ("file:line: ...") and exits 1 when there is any.
"""
import os
import re
import sys

SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.cc')
SKIPPED_DIRS = {'.git', 'demo', '.cache'}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def read_table(path, heading):
    """The rows of the markdown table under `heading`, as lists of cells."""
    rows, inside = [], False
    with open(path, encoding='utf-8') as f:
        for line in f:
            if line.startswith('## '):
                inside = line.strip() == '## ' + heading
                continue
            if inside and line.startswith('|'):
                cells = [c.strip() for c in line.strip().strip('|').split('|')]
                if cells[0] in ('folder', '') or set(cells[0]) <= set('-'):
                    continue
                rows.append(cells)
    return rows


def folders(cell):
    return [f.strip() for f in cell.split(',') if f.strip()]


def under(path, folder):
    return path == folder or path.startswith(folder + '/')


class Layers:
    def __init__(self, table_path):
        self.rows = {}
        for folder, may, qt in read_table(table_path, 'Folders'):
            self.rows[folder] = (folders(may), qt)
        self.test_extras = {f: folders(also) for f, also in
                            read_table(table_path, 'Tests may also include')}

    def row_of(self, path):
        best = None
        for folder in self.rows:
            if under(path, folder) and (best is None or len(folder) > len(best)):
                best = folder
        return best

    def allowed(self, path, test):
        row = self.row_of(path)
        allowed = [row] + self.rows[row][0]
        if test:
            for folder, extra in self.test_extras.items():
                if under(path, folder):
                    allowed += extra
        return allowed


def is_test(path):
    name = os.path.basename(path)
    return (re.search(r'_test\.(cpp|h)$', name) is not None or '/testing/' in path
            or path.startswith('ui/testing/'))


def tree_files(root):
    for d, dirs, files in os.walk(root):
        rel = os.path.relpath(d, root)
        dirs[:] = sorted(x for x in dirs if x not in SKIPPED_DIRS and not x.startswith('build')
                         and not (rel == '.' and x in ('docs', 'scripts', 'cmake')))
        for f in sorted(files):
            if f.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(rel, f))


def resolve(root, including, name):
    """The tree path of a quoted include: beside the including file first, then from the root."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.exists(os.path.join(root, beside)):
        return beside
    if os.path.exists(os.path.join(root, name)):
        return os.path.normpath(name)
    return None


def includes(root, path):
    with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1), m.group(2)


def check_includes(root, layers, faults):
    quoted = {}  # file -> [(line, included file)]
    for path in tree_files(root):
        row = layers.row_of(path)
        if row is None:
            faults.append(f'{path}:1: folder {os.path.dirname(path) or "."} has no row in docs/layers.md')
            continue
        test = is_test(path)
        allowed = layers.allowed(path, test)
        qt = layers.rows[row][1]
        quoted[path] = []
        for number, kind, name in includes(root, path):
            if kind == '<':
                if qt == 'no' and re.match(r'Q[A-Za-z]', name):
                    faults.append(f'{path}:{number}: <{name}>: {row} has no Qt')
                continue
            target = resolve(root, path, name)
            if target is None:
                faults.append(f'{path}:{number}: "{name}" is not in the tree')
                continue
            quoted[path].append((number, target))
            if not any(under(target, folder) for folder in allowed):
                faults.append(f'{path}:{number}: "{name}": {row} may not include '
                              f'{os.path.dirname(target)}')
    return quoted


def read_target_map(path, root):
    """{target: {'type', 'dir', 'sources' (tree paths), 'links'}} as CMake wrote them."""
    targets, current = {}, None
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line:
                continue
            key, _, value = line.partition(' ')
            if key == 'target':
                current = targets.setdefault(value, {'sources': [], 'links': []})
            elif key == 'type':
                current['type'] = value
            elif key == 'dir':
                current['dir'] = value
            elif key == 'sources':
                for s in value.split(';'):
                    if s and not s.startswith('$<'):
                        full = s if os.path.isabs(s) else os.path.join(root, current['dir'], s)
                        current['sources'].append(os.path.relpath(os.path.normpath(full), root))
            elif key == 'links':
                for lib in value.split(';'):
                    lib = re.sub(r'^\$<LINK_ONLY:(.*)>$', r'\1', lib)
                    if lib and lib != 'NOTFOUND' and not lib.endswith('-NOTFOUND'):
                        current['links'].append(lib)
    return targets


def closure(targets, name):
    seen, todo = set(), [name]
    while todo:
        t = todo.pop()
        for lib in targets.get(t, {}).get('links', []):
            if lib not in seen:
                seen.add(lib)
                todo.append(lib)
    return seen


def reached(quoted, source):
    """Every quoted include a source pulls in, through headers too: (file, line, header)."""
    seen, todo, out = {source}, [source], []
    while todo:
        f = todo.pop()
        for number, header in quoted.get(f, []):
            out.append((f, number, header))
            if header not in seen:
                seen.add(header)
                todo.append(header)
    return out


def check_targets(root, layers, quoted, targets, faults):
    libraries = {n: t for n, t in targets.items() if t.get('type', '').endswith('LIBRARY')}
    owner = {}  # tree file -> library that builds it
    for name, t in libraries.items():
        for s in t['sources']:
            owner[s] = name
    by_dir = {}
    for name, t in libraries.items():
        by_dir.setdefault(t['dir'], []).append(name)

    def library_of(header):
        stem = os.path.splitext(header)[0]
        for candidate in (header, stem + '.cpp', stem + '.cc'):
            if candidate in owner:
                return owner[candidate]
        here = by_dir.get(os.path.dirname(header), [])
        return here[0] if len(here) == 1 else None

    for name, t in sorted(targets.items()):
        row = layers.row_of(t['dir'])
        if row is None:
            continue
        linked = closure(targets, name)
        qt = layers.rows[row][1]
        qt_libs = sorted(l for l in linked if l.startswith('Qt'))
        if qt == 'no' and qt_libs:
            faults.append(f'{t["dir"]}: target {name} links {", ".join(qt_libs)}; {row} has no Qt')
        if qt == 'no widgets' and any('Widgets' in l for l in qt_libs):
            faults.append(f'{t["dir"]}: target {name} links Qt Widgets; {row} may not')
        for source in t['sources']:
            for where, number, header in reached(quoted, source):
                lib = library_of(header)
                if lib and lib != name and lib not in linked:
                    faults.append(f'{where}:{number}: target {name} includes {header} '
                                  f'but does not link {lib}')


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = argv[1]
    layers = Layers(os.path.join(root, 'docs', 'layers.md'))
    faults = []
    quoted = check_includes(root, layers, faults)
    if len(argv) == 3:
        check_targets(root, layers, quoted, read_target_map(argv[2], root), faults)
    for f in faults:
        print(f)
    files = len(quoted)
    print(f'layers: {files} files, {sum(len(v) for v in quoted.values())} includes, '
          f'{len(faults)} faults')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
