#!/usr/bin/env python3
"""Generates the decode tables, the handlers and library functions of every
family, and the placeholders of the forms no family defines yet.

Inputs:
  --tables   qrx/decode/decode_tables.txt: the 44 decode tables and their
             (key, handler) entries.
  --binders  qrx/decode/binders.txt: the binders a row may name.
  --rows     qrx/decode/rows/<family>.txt, one file per family: one row per
             instruction form (handler, binder, element size, operation).
Outputs (in --out):
  handler_decls.h        declarations of every handler
  generated_tables.inc   the constant tables, included by decode_tables.cpp
  pending_handlers.cpp   a placeholder for every form no row defines
  rows_<family>.cpp      the family's handlers and exported library functions
  library_<family>.h     declarations of the family's library functions

The script fails with a message naming the offending line on: bad slice
syntax, key widths, duplicate or unordered keys, a handler named twice by
the tables, entries whose encodings overlap, an unknown binder, a row naming
no table entry, and a handler bound by two rows.
"""
import argparse
import os
import re
import sys


def fail(msg):
    sys.stderr.write("gen_decode_tables: %s\n" % msg)
    sys.exit(1)


def data_lines(path):
    for lineno, raw in enumerate(open(path), 1):
        line = raw.split('#', 1)[0].strip()
        if line:
            yield "%s:%d" % (path, lineno), line


def parse_tables(path):
    tables = []
    cur = None
    for where, line in data_lines(path):
        if line.startswith('table '):
            fields = line.split()
            name = fields[1]
            attrs = dict(f.split('=', 1) for f in fields[2:])
            slices = []
            for s in attrs['slices'].split(','):
                m = re.fullmatch(r'(\d+):(\d+)', s)
                if not m:
                    fail("%s: bad slice %r" % (where, s))
                hi, lo = int(m.group(1)), int(m.group(2))
                if not (31 >= hi >= lo >= 0):
                    fail("%s: bad slice %r" % (where, s))
                slices.append((hi, lo))
            expect = 'decode_map' + ''.join('__%d_%d' % s for s in slices)
            if name != expect:
                fail("%s: table name %s does not match its slices (%s)" % (where, name, expect))
            cur = dict(name=name, slices=slices,
                       classifier=int(attrs['classifier']),
                       dispatcher=int(attrs['dispatcher']), entries=[])
            tables.append(cur)
        else:
            if cur is None:
                fail("%s: entry before any table" % where)
            m = re.fullmatch(r'(0x[0-9a-fA-F]+)\s+([A-Za-z_][A-Za-z0-9_]*)', line)
            if not m:
                fail("%s: bad entry %r" % (where, line))
            cur['entries'].append((int(m.group(1), 16), m.group(2), where))
    return tables


def spread(key, slices):
    """The instruction bits that a table key stands for."""
    word = 0
    shift = 0
    for hi, lo in reversed(slices):
        w = hi - lo + 1
        word |= ((key >> shift) & ((1 << w) - 1)) << lo
        shift += w
    return word


def check_tables(tables):
    names = {}
    for t in tables:
        width = sum(hi - lo + 1 for hi, lo in t['slices'])
        t['width'] = width
        mask = 0
        for hi, lo in t['slices']:
            mask |= ((1 << (hi - lo + 1)) - 1) << lo
        t['mask'] = mask
        prev = None
        for key, h, where in t['entries']:
            if key >= (1 << width):
                fail("%s: key 0x%x is wider than %d bits" % (where, key, width))
            if prev is not None and key <= prev:
                fail("%s: keys must be unique and ascending" % where)
            prev = key
            if h in names:
                fail("%s: handler %s already named at %s" % (where, h, names[h]))
            names[h] = where
    for field in ('classifier', 'dispatcher'):
        pos = sorted(t[field] for t in tables)
        if pos != list(range(1, len(tables) + 1)):
            fail("%s positions are not a permutation of 1..%d" % (field, len(tables)))
    # No word may match two entries: every mask covers bits 31..25, so only
    # entries that agree there can overlap.
    groups = {}
    for t in tables:
        if t['mask'] & 0xFE000000 != 0xFE000000:
            fail("table %s does not cover bits 31..25" % t['name'])
        for key, h, where in t['entries']:
            pattern = spread(key, t['slices'])
            groups.setdefault(pattern >> 25, []).append((t['mask'], pattern, h, where))
    for group in groups.values():
        for i, (m1, p1, h1, w1) in enumerate(group):
            for m2, p2, h2, w2 in group[i + 1:]:
                if (p1 ^ p2) & m1 & m2 == 0:
                    fail("%s: the encodings of %s overlap those of %s (%s)" % (w1, h1, h2, w2))
    return names


ELEM_KINDS = ('esize', 'type', 'none')
ESIZE = {'8': 'ESIZE_B', '16': 'ESIZE_H', '32': 'ESIZE_S', '64': 'ESIZE_D'}
TYPE = {'8': 'uint8_t', '16': 'uint16_t', '32': 'uint32_t', '64': 'uint64_t'}


def parse_binders(path):
    """NAME ELEM OP [RESULT PARAMS]: see binders.txt."""
    binders = {}
    for where, line in data_lines(path):
        fields = line.split(None, 3)
        if len(fields) < 3 or fields[1] not in ELEM_KINDS or fields[2] not in ('op', 'none'):
            fail("%s: bad binder %r" % (where, line))
        name = fields[0]
        if name in binders:
            fail("%s: binder %s defined twice" % (where, name))
        lib = None
        if len(fields) == 4:
            m = re.fullmatch(r'(\w+)\s+(.+)', fields[3])
            if not m:
                fail("%s: bad library signature %r" % (where, fields[3]))
            params = [p.strip() for p in m.group(2).split(',')]
            args = [re.fullmatch(r'.*?(\w+)', p).group(1) for p in params]
            lib = dict(result=m.group(1), params=', '.join(params), args=', '.join(args))
        binders[name] = dict(elem=fields[1], op=fields[2] == 'op', lib=lib)
    return binders


def parse_rows(paths, names, binders):
    families = []
    bound = {}
    for path in paths:
        family = os.path.splitext(os.path.basename(path))[0]
        if not re.fullmatch(r'[a-z][a-z0-9_]*', family):
            fail("%s: family file names are lower-case identifiers" % path)
        fam = dict(name=family, path=path, includes=[], rows=[])
        for where, line in data_lines(path):
            fields = line.split()
            if fields[0] == 'include':
                if len(fields) != 2:
                    fail("%s: include takes one header" % where)
                fam['includes'].append(fields[1])
                continue
            if len(fields) < 3:
                fail("%s: a row is HANDLER BINDER SIZE [OPERATION [ARGS...]]" % where)
            handler, binder, size = fields[:3]
            rest = fields[3:]
            if handler not in names:
                fail("%s: %s is not a handler of the decode tables" % (where, handler))
            if handler in bound:
                fail("%s: %s is already bound at %s" % (where, handler, bound[handler]))
            bound[handler] = where
            if binder not in binders:
                fail("%s: unknown binder %s" % (where, binder))
            b = binders[binder]
            targs = []
            if b['elem'] == 'none':
                if size != '-':
                    fail("%s: binder %s takes no element size ('-')" % (where, binder))
            else:
                if size not in ESIZE:
                    fail("%s: element size %s is not 8, 16, 32 or 64" % (where, size))
                targs.append((ESIZE if b['elem'] == 'esize' else TYPE)[size])
            if b['op'] and not rest:
                fail("%s: binder %s needs an operation" % (where, binder))
            if not b['op'] and rest:
                fail("%s: binder %s takes no operation" % (where, binder))
            targs += rest
            fam['rows'].append(dict(handler=handler, binder=binder, targs=targs, where=where))
        families.append(fam)
    return families, bound


HEADER = "// Generated by tools/gen_decode_tables.py from %s. Do not edit.\n"


def write(path, text):
    old = open(path).read() if os.path.exists(path) else None
    if old != text:
        with open(path, 'w') as f:
            f.write(text)


def emit_family(fam, binders, out):
    src = 'qrx/decode/rows/%s.txt' % fam['name']
    lib_rows = [r for r in fam['rows'] if binders[r['binder']]['lib']]
    guard = 'QRX_DECODE_LIBRARY_%s_H' % fam['name'].upper()
    h = [HEADER % src,
         "// The family's exported library functions: value operands, the context last.\n",
         "#ifndef %s\n#define %s\n\n" % (guard, guard),
         '#include "qrx/library/lib_types.h"\n\nextern "C" {\n']
    for r in lib_rows:
        lib = binders[r['binder']]['lib']
        h.append("%s %s(%s, CpuContext* ctx);\n" % (lib['result'], r['handler'], lib['params']))
    h.append('}  // extern "C"\n\n#endif\n')
    write(os.path.join(out, 'library_%s.h' % fam['name']), ''.join(h))

    c = [HEADER % src,
         '#include "qrx/decode/handler_decls.h"\n',
         '#include "qrx/decode/library_%s.h"\n' % fam['name'],
         '#include "qrx/handlers/handler_support.h"\n']
    c += ['#include "%s"\n' % inc for inc in fam['includes']]
    c.append("\nusing namespace qrx;\n\nnamespace qrx {\nnamespace handlers {\n\n")
    for r in fam['rows']:
        targs = '<%s>' % ', '.join(r['targs']) if r['targs'] else ''
        c.append("kalt64_decode_rc %s(cpu_state* s, unsigned int w) {\n  return bind::%s%s(s, w);\n}\n"
                 % (r['handler'], r['binder'], targs))
    c.append("\n}  // namespace handlers\n}  // namespace qrx\n")
    if lib_rows:
        c.append('\nextern "C" {\n\n')
        for r in lib_rows:
            lib = binders[r['binder']]['lib']
            c.append("%s %s(%s, CpuContext* ctx) {\n  return values::%s<%s>(%s, ctx);\n}\n"
                     % (lib['result'], r['handler'], lib['params'], r['binder'],
                        ', '.join(r['targs']), lib['args']))
        c.append('\n}  // extern "C"\n')
    write(os.path.join(out, 'rows_%s.cpp' % fam['name']), ''.join(c))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--tables', required=True)
    ap.add_argument('--binders', required=True)
    ap.add_argument('--rows', nargs='*', default=[])
    ap.add_argument('--out', required=True)
    args = ap.parse_args()
    tables = parse_tables(args.tables)
    names = check_tables(tables)
    binders = parse_binders(args.binders)
    families, bound = parse_rows(sorted(args.rows), names, binders)
    family_of = {r['handler']: f['name'] for f in families for r in f['rows']}
    os.makedirs(args.out, exist_ok=True)
    src = os.path.basename(args.tables)
    all_handlers = [h for t in tables for _, h, _ in t['entries']]
    pending = [h for h in all_handlers if h not in bound]

    decls = [HEADER % src,
             "#ifndef QRX_DECODE_HANDLER_DECLS_H\n#define QRX_DECODE_HANDLER_DECLS_H\n",
             '#include "qrx/state/cpu_state.h"\n',
             "namespace qrx {\nnamespace handlers {\n"]
    decls += ["kalt64_decode_rc %s(cpu_state*, unsigned int);\n" % h for h in all_handlers]
    decls.append("}  // namespace handlers\n}  // namespace qrx\n\n#endif\n")
    write(os.path.join(args.out, 'handler_decls.h'), ''.join(decls))

    inc = [HEADER % src, "// Included by qrx/decode/decode_tables.cpp only.\n\n"]
    for t in tables:
        inc.append("const DecodeEntry %s_entries[] = {\n" % t['name'])
        for key, h, _ in t['entries']:
            fam = family_of.get(h)
            inc.append("    {0x%x, 0x%08x, &handlers::%s, \"%s\", %s},\n"
                       % (key, spread(key, t['slices']), h, h,
                          '"%s"' % fam if fam else 'nullptr'))
        inc.append("};\n")
    inc.append("\nconst DecodeTable kDecodeTables[kNumDecodeTables] = {\n")
    for t in tables:
        sl = ', '.join('{%d, %d}' % s for s in t['slices'])
        inc.append("    {\"%s\", %d, %d, %d, 0x%08x, %d, {%s}, %s_entries, %d},\n"
                   % (t['name'], t['classifier'], t['dispatcher'], t['width'], t['mask'],
                      len(t['slices']), sl, t['name'], len(t['entries'])))
    inc.append("};\n")
    order = sorted(range(len(tables)), key=lambda i: tables[i]['dispatcher'])
    inc.append("\nconst unsigned char kDispatcherOrder[kNumDecodeTables] = {%s};\n"
               % ', '.join(str(i) for i in order))
    inc.append("\nconstexpr unsigned kTotalHandlers = %d;\n" % len(all_handlers))
    write(os.path.join(args.out, 'generated_tables.inc'), ''.join(inc))

    pend = [HEADER % "the decode tables and the family rows",
            '#include "qrx/decode/pending.h"\n',
            '#include "qrx/decode/handler_decls.h"\n\n',
            "namespace qrx {\nnamespace handlers {\n"]
    for h in pending:
        pend.append("kalt64_decode_rc %s(cpu_state* s, unsigned int w) { return pending_handler(s, w, \"%s\"); }\n" % (h, h))
    pend.append("}  // namespace handlers\n\n")
    pend.append("const char* const kPendingHandlerNames[] = {\n")
    pend += ["    \"%s\",\n" % h for h in pending]
    pend.append("    nullptr};\n")
    pend.append("const unsigned kPendingHandlerCount = %d;\n" % len(pending))
    pend.append("}  // namespace qrx\n")
    write(os.path.join(args.out, 'pending_handlers.cpp'), ''.join(pend))

    for fam in families:
        emit_family(fam, binders, args.out)


if __name__ == '__main__':
    main()
