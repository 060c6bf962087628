#!/usr/bin/env python3
"""A receipt job as an ESC/POS printer would print it.

    paper-view.py PNG STATE JOB

Prints the job's text to standard output and draws all the paper so far
into PNG: an 80 mm roll (576 dots of 72 mm printed at 203 dpi, 48 columns
of font A), with bold, double sizes, underline, white on black, font B,
alignment, the QR codes and barcodes (drawn by zint's command line), a
raster pictures (GS v 0), a dashed line where the paper is cut and a note
where a drawer opened. The
printer's state and the paper carry from job to job in STATE (JSON).
"""
import json
import os
import subprocess
import sys

png, state_path, job_path = sys.argv[1:4]
symbols_dir = os.path.join(os.path.dirname(os.path.abspath(png)), "simbolos")

# ESC t n of ESC/POS; a printer starts in PC437.
PAGES = {0: "cp437", 2: "cp850", 3: "cp860", 4: "cp863", 5: "cp865", 16: "cp1252", 17: "cp866", 19: "cp858"}
COLUMNS, DOTS, MARGIN = 48, 576, 32
FONT_A, FONT_B = (12, 24), (9, 17)          # character cell in dots
BARCODES = {65: ("UPCA", "UPC-A"), 66: ("UPCE", "UPC-E"), 67: ("EANX", "EAN-13"), 68: ("EANX", "EAN-8"),
            69: ("CODE39", "Code 39"), 70: ("C25INTER", "ITF"), 71: ("CODABAR", "Codabar"),
            72: ("CODE93", "Code 93"), 73: ("CODE128", "Code 128")}

MODES = {"bold": False, "wide": False, "tall": False, "under": False, "fontb": False, "invert": False}
state = {"page": "cp437", "rows": [], "modes": dict(MODES), "align": 0,
         "barcode": {"hri": 0, "width": 3, "height": 162}, "qr": {"model": 2, "size": 3, "level": 0, "data": ""},
         "symbols": 0}
if os.path.getsize(state_path) > 0:
    state = json.load(open(state_path))
rows = state["rows"]
first_row = len(rows)

# The line being filled: segments of text with the modes they print in.
line = {"segs": [], "align": None}


def line_width(segs):
    return sum(len(text) * (FONT_B if m["fontb"] else FONT_A)[0] * (2 if m["wide"] else 1) for text, m in segs)


def end_line():
    rows.append({"kind": "text", "align": line["align"] if line["align"] is not None else state["align"],
                 "segs": line["segs"]})
    line["segs"], line["align"] = [], None


def put(text):
    modes = dict(state["modes"])
    if line["align"] is None:
        line["align"] = state["align"]
    # The printer starts a new line where this one is full.
    if line_width(line["segs"] + [[text, modes]]) > DOTS:
        end_line()
        line["align"] = state["align"]
    if line["segs"] and line["segs"][-1][1] == modes:
        line["segs"][-1][0] += text
    else:
        line["segs"].append([text, modes])


def block(row):
    if line["segs"]:
        end_line()
    rows.append(row)


def symbol(args, label):
    """A PNG of the symbol drawn by zint; None (and a note) when it cannot be."""
    os.makedirs(symbols_dir, exist_ok=True)
    state["symbols"] += 1
    path = os.path.join(symbols_dir, f"simbolo-{state['symbols']}.png")
    try:
        subprocess.run(["zint", "-o", path] + args, check=True, capture_output=True)
        return path
    except (OSError, subprocess.CalledProcessError) as error:
        print(f"({label} não pôde ser desenhado: {error})", file=sys.stderr)
        return None


def code128_text(code):
    """The characters of Code 128 data as the printer reads them: its code
    sets chosen by {A, {B, {C, a brace as {{, two digits a byte in set C."""
    text, code_set, k = "", "B", 0
    while k < len(code):
        if code[k] == "{" and k + 1 < len(code):
            pair = code[k + 1]
            if pair in "ABC":
                code_set = pair
            elif pair == "{":
                text += "{"
            k += 2
        elif code_set == "C":
            text += f"{ord(code[k]):02d}"
            k += 1
        else:
            text += code[k]
            k += 1
    return text


def raster(width_bytes, height, bits):
    """The dots of GS v 0 as a PBM picture, whose rows are packed alike."""
    os.makedirs(symbols_dir, exist_ok=True)
    state["symbols"] += 1
    path = os.path.join(symbols_dir, f"imagem-{state['symbols']}.pbm")
    with open(path, "wb") as picture:
        picture.write(f"P4\n{width_bytes * 8} {height}\n".encode() + bits)
    return path


LIMIT = 64 * 1024
data = open(job_path, "rb").read(LIMIT + 1)
more = len(data) > LIMIT
data = data[:LIMIT]
i = 0


def arg(k):
    return data[i + k] if i + k < len(data) else 0


while i < len(data):
    byte = data[i]
    m = state["modes"]
    if byte == 0x1B:
        c = arg(1)
        if c == ord("t"):
            n = arg(2)
            state["page"] = PAGES.get(n, state["page"])
            if n not in PAGES:
                print(f"(ESC t {n}: página que esta visualização não conhece; segue em {state['page']})")
            i += 3
        elif c == ord("x"):
            i += 3                          # dot-matrix draft mode
        elif c in b"EM-":
            m[{ord("E"): "bold", ord("M"): "fontb", ord("-"): "under"}[c]] = bool(arg(2) & 1)
            i += 3
        elif c == ord("a"):
            state["align"] = arg(2) % 3
            i += 3
        elif c == ord("d"):
            if line["segs"]:
                end_line()
            for _ in range(arg(2)):
                rows.append({"kind": "text", "align": 0, "segs": []})
            i += 3
        elif c == ord("p"):
            block({"kind": "note", "text": f"[gaveta {arg(2) % 2 + 1} aberta]"})
            i += 5
        elif c == ord("B"):
            block({"kind": "note", "text": "[bipe]"})
            i += 4
        elif c in b"imw":
            block({"kind": "cut"})          # cut presets of Epson, Bematech, Daruma
            i += 2
        elif c == ord("@"):
            if line["segs"]:
                end_line()
            state["page"], state["modes"], state["align"] = "cp437", dict(MODES), 0
            i += 2
        else:
            i += 2
    elif byte == 0x1D:
        c = arg(1)
        if c == ord("V"):
            block({"kind": "cut"})
            i += 4 if arg(2) in (65, 66) else 3
        elif c == ord("!"):
            m["wide"], m["tall"] = bool(arg(2) & 0x70), bool(arg(2) & 0x07)
            i += 3
        elif c == ord("B"):
            m["invert"] = bool(arg(2) & 1)
            i += 3
        elif c in b"Hwh":
            state["barcode"][{ord("H"): "hri", ord("w"): "width", ord("h"): "height"}[c]] = arg(2)
            i += 3
        elif c == ord("k"):
            system, length = arg(2), arg(3)
            code = data[i + 4:i + 4 + length].decode("latin-1")
            i += 4 + length
            kind, label = BARCODES.get(system, ("CODE128", f"código {system}"))
            if system == 73:
                code = code128_text(code)
            b = state["barcode"]
            args = ["-b", kind, "-d", code, f"--scale={max(b['width'], 1) / 2}",
                    f"--height={max(b['height'] // max(b['width'], 1), 1)}"]
            if b["hri"] == 0:
                args.append("--notext")
            block({"kind": "image", "align": state["align"], "path": symbol(args, label), "label": f"[{label}: {code}]"})
        elif c == ord("v") and arg(2) in (0, 48):
            width_bytes, height = arg(4) | arg(5) << 8, arg(6) | arg(7) << 8
            bits = data[i + 8:i + 8 + width_bytes * height]
            i += 8 + width_bytes * height
            block({"kind": "image", "align": state["align"], "path": raster(width_bytes, height, bits),
                   "label": f"[imagem de {width_bytes * 8} × {height} pontos]"})
        elif c == ord("(") and arg(2) == ord("L"):
            i += 5 + (arg(3) | arg(4) << 8)
            block({"kind": "note", "text": "[logotipo da impressora]"})
        elif c == ord("(") and arg(2) == ord("k"):
            length = arg(3) | arg(4) << 8
            body = data[i + 5:i + 5 + length]
            i += 5 + length
            q = state["qr"]
            function = body[1:2]
            if function == b"A":
                q["model"] = body[2] - 48
            elif function == b"C":
                q["size"] = body[2]
            elif function == b"E":
                q["level"] = body[2] - 48
            elif function == b"P":
                q["data"] = body[3:].decode("utf-8", errors="replace")
            elif function == b"Q":
                args = ["-b", "QRCODE", "-d", q["data"], f"--scale={q['size'] / 2}", f"--secure={q['level'] + 1}"]
                block({"kind": "image", "align": state["align"], "path": symbol(args, "QR code"),
                       "label": f"[QR code: {q['data']}]"})
        else:
            i += 2
    elif byte == 0x1C and arg(1) == ord("p"):
        block({"kind": "note", "text": "[logotipo da impressora]"})
        i += 4
    elif byte == 0x0A:
        end_line()
        i += 1
    elif byte == 0x09:
        put(" " * (8 - sum(len(t) for t, _ in line["segs"]) % 8))
        i += 1
    elif byte < 0x20 or byte == 0x7F:
        i += 1                              # CR, NUL and other controls print nothing
    else:
        put(bytes([byte]).decode(state["page"], errors="replace"))
        i += 1
if line["segs"]:
    end_line()
if more:
    rows.append({"kind": "note", "text": "[...]"})

CUT = "- " * (COLUMNS // 2)


def shown_text(row):
    if row["kind"] == "text":
        text = "".join(t for t, _ in row["segs"])
        pad = {0: 0, 1: (COLUMNS - len(text)) // 2, 2: COLUMNS - len(text)}[row["align"]]
        return " " * max(pad, 0) + text
    return {"cut": CUT, "note": row.get("text"), "image": row.get("label")}[row["kind"]]


shown = rows[first_row:]
print(f"--- No papel ({os.path.basename(job_path)}, ESC/POS, página {state['page'].upper()} ao fim):")
for row in shown[:200]:
    print("    " + shown_text(row))
if len(shown) > 200:
    print(f"    ... (+{len(shown) - 200} linhas)")
json.dump(state, open(state_path, "w"))

# The picture: at most 400 rows of a long report.
font_dir = "/usr/share/fonts/truetype/dejavu/"
fonts = {False: font_dir + "DejaVuSansMono.ttf", True: font_dir + "DejaVuSansMono-Bold.ttf"}
draw, y = [], 8
for row in rows[:400]:
    if row["kind"] == "text":
        tall = any(m["tall"] for _, m in row["segs"])
        height = 48 if tall else 24
        width = line_width(row["segs"])
        x = MARGIN + {0: 0, 1: (DOTS - width) // 2, 2: DOTS - width}[row["align"]]
        for text, m in row["segs"]:
            cell_w, cell_h = FONT_B if m["fontb"] else FONT_A
            sx, sy = (2 if m["wide"] else 1), (2 if m["tall"] else 1)
            w = len(text) * cell_w * sx
            base = y + height - 5 * sy
            if m["invert"]:
                draw += ["-fill", "black", "-draw", f"rectangle {x},{y} {x + w},{y + height}"]
            if text.strip():
                escaped = text.replace("\\", "\\\\").replace("'", "\\'")
                draw += ["-fill", "white" if m["invert"] else "black", "-font", fonts[m["bold"]],
                         "-pointsize", f"{19.9 * cell_h / 24:.1f}",
                         "-draw", f"translate {x},{base} scale {sx},{sy} text 0,0 '{escaped}'"]
            if m["under"]:
                draw += ["-fill", "black", "-draw", f"rectangle {x},{base + 2} {x + w},{base + 3}"]
            x += w
        y += height
    elif row["kind"] == "cut":
        draw += ["-draw", f"fill none stroke gray45 stroke-width 1 stroke-dasharray 12 8 line 0,{y + 10} {DOTS + 2 * MARGIN},{y + 10}"]
        y += 24
    elif row["kind"] == "note":
        draw += ["-fill", "gray40", "-font", fonts[False], "-pointsize", "16",
                 "-draw", f"text {MARGIN},{y + 18} '{row['text']}'"]
        y += 24
    elif row["kind"] == "image" and row.get("path"):
        size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", row["path"]],
                              capture_output=True, text=True).stdout.split()
        w, h = (int(size[0]), int(size[1])) if len(size) == 2 else (0, 0)
        x = MARGIN + {0: 0, 1: (DOTS - w) // 2, 2: DOTS - w}[row["align"]]
        draw += ["-draw", f"image over {x},{y + 8} {w},{h} '{row['path']}'"]
        y += h + 16
args = ["/usr/bin/convert", "-size", f"{DOTS + 2 * MARGIN}x{y + 16}", "xc:#fbfaf5"] + draw + [png]
try:
    subprocess.run(args, check=True)
except (OSError, subprocess.CalledProcessError) as error:
    print(f"O recibo não pôde ser desenhado ({error}).", file=sys.stderr)
