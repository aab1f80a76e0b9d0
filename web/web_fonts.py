#!/usr/bin/python3
"""The browser version's two web fonts, cut down to what the show draws.

Usage: web_fonts.py TAHOMA_TTF SYMBOL_TTF RECIPES_CPP SYMBOL_TABLE_H OUT_DIR

Writes OUT_DIR/tahoma.woff2 and OUT_DIR/symbola.woff2, and OUT_DIR/metrics.json
with the Windows metrics the text service sizes lines by (units per em,
usWinAscent, usWinDescent), which the page cannot read from compressed files.

Tahoma keeps printable ASCII (the glyph set is codes 32..122) and every
character of the lines the texture recipes draw, read as Latin-1 like the
text service reads them; the symbol face keeps the code points of the symbol
fallback table.
"""
import json
import logging
import os
import re
import sys

try:
    import brotli  # noqa: F401 (the WOFF2 compressor fontTools uses)
    from fontTools import subset
    from fontTools.ttLib import TTFont
except ImportError as error:
    sys.exit(f'{error}: install fonttools and python3-brotli')

FACES = {'Tahoma': 'tahoma.woff2', 'Symbola': 'symbola.woff2'}
RENDER_TEXT = re.compile(rb'renderText\("((?:[^"\\]|\\.)*)"')
FALLBACK_ROW = re.compile(r'\{\s*"[^"]*"\s*,\s*\d+\s*,\s*"([^"]+)"\s*,\s*(0x[0-9A-Fa-f]+)\s*\}')


def recipe_characters(recipes_path):
    with open(recipes_path, 'rb') as f:
        source = f.read()
    # Each byte is one code point, as the text service reads it (Latin-1).
    lines = [literal.decode('unicode_escape') for literal in RENDER_TEXT.findall(source)]
    if not lines:
        sys.exit(f'{recipes_path}: no renderText lines found')
    return {ord(c) for line in lines for c in line}


def fallback_code_points(table_path):
    with open(table_path, encoding='utf-8') as f:
        rows = FALLBACK_ROW.findall(f.read())
    if not rows:
        sys.exit(f'{table_path}: no fallback rows found')
    points = {}
    for face, code in rows:
        if face not in FACES:
            sys.exit(f'{table_path}: the page serves no face "{face}"')
        points.setdefault(face, set()).add(int(code, 16))
    return points


def windows_metrics(font):
    return {'unitsPerEm': font['head'].unitsPerEm, 'winAscent': font['OS/2'].usWinAscent,
            'winDescent': font['OS/2'].usWinDescent}


def write_subset(source_path, code_points, out_path):
    # Glyph bounding boxes as stored: recomputed ones move the glyphs whose
    # stored boxes are off by the difference (the rasteriser places outlines
    # by xMin and the left side bearing). The stored date too: the same fonts
    # every build.
    font = TTFont(source_path, recalcBBoxes=False, recalcTimestamp=False)
    full = windows_metrics(font)
    missing = sorted(c for c in code_points if c not in font.getBestCmap())
    if missing:
        sys.exit(f'{source_path} has no glyph for ' + ', '.join(f'U+{c:04X}' for c in missing))
    options = subset.Options()
    options.flavor = 'woff2'
    options.name_IDs = ['*']
    options.notdef_outline = True
    logging.getLogger('fontTools.subset').setLevel(logging.ERROR)  # tables it drops
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=code_points)
    subsetter.subset(font)
    kept = windows_metrics(font)
    if kept != full:
        sys.exit(f'{source_path}: subsetting changed the metrics {full} to {kept}')
    font.flavor = 'woff2'
    font.save(out_path)
    return kept


def main(argv):
    if len(argv) != 6:
        sys.exit(__doc__)
    tahoma, symbol, recipes, table, out_dir = argv[1:]
    os.makedirs(out_dir, exist_ok=True)
    code_points = fallback_code_points(table)
    code_points['Tahoma'] = set(range(0x20, 0x7F)) | recipe_characters(recipes) | code_points.get('Tahoma', set())
    sources = {'Tahoma': tahoma, 'Symbola': symbol}
    metrics = {face: write_subset(sources[face], code_points.get(face, set()), os.path.join(out_dir, file))
               for face, file in FACES.items()}
    with open(os.path.join(out_dir, 'metrics.json'), 'w', encoding='utf-8') as f:
        json.dump(metrics, f, indent=1, sort_keys=True)
        f.write('\n')


if __name__ == '__main__':
    main(sys.argv)
