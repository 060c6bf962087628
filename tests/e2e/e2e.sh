#!/bin/bash
# The real program, end to end, in a real X server against the private
# scheduler: one row of the table below is one run, answered the way an
# operator would.
#
#   e2e.sh linux ORVANE_BINARY [installed]
#   e2e.sh windows ORVANE_FOLDER          (build-windows/Orvane, under wine)
#
# "installed" runs the rows marked so on a program installed in place.
# ORVANE_E2E_LIGHT leaves the heavy rows out; ORVANE_E2E_REPEAT, for a build
# that repeats the Qt 5 build's table, leaves the "once" rows out too;
# ORVANE_E2E_FAIL_FAST stops at
# the first failed check; ORVANE_E2E_PING_LIMIT_MS is how much longer than a
# plain Qt window (ORVANE_PLAIN_WINDOW, pinged at the same moment) the
# window may take to answer a window manager's ping (500); ORVANE_E2E_ROWS,
# a regular expression, runs only the rows whose names match it.
#
# Columns:
#   name    what the row shows
#   on      linux, windows or both; "installed": run by an installed
#           program; ",heavy": a row of a minute, left out when
#           ORVANE_E2E_LIGHT is set; ",once": a slow link or a kill whose
#           other timings only the spooler core meets (its unit tests run
#           them in every build), left out when ORVANE_E2E_REPEAT is set
#   file    the argument: a sample of make_file, or "none"
#   config  config.ini beside the program, lines joined by ";" ("-": none;
#           "@bom:", "@cp1252:", "@utf16:", "@Geral:", "@utf8:" before the
#           lines: saved so, and the row's queue named with an accent;
#           @garbage, @long-font, @directory: see write_config). @Q is the
#           row's own capture queue, @PORT its direct-write file (@PORT1:
#           with single backslashes, as typed on Windows), @NET its network
#           printer (tcp://127.0.0.1:PORT), @TTY its serial line. Without an impressora line the
#           row's queue is the printer.
#   action  before Return is pressed on the window ("-": no window):
#           press                  nothing
#           delete-queue           the printer goes away
#           reject-queue           the queue refuses jobs
#           disable-queue          the queue holds its jobs (enabled after)
#           pause-resume           the queue is paused with the reason "troca
#                                  de bobina" and, once the window shows it,
#                                  resumed
#           scheduler-stops        the row's own scheduler stops
#           scheduler-hangs        the row's own scheduler stops answering
#                                  (SIGSTOP) and wakes after the box; the box
#                                  within 15 s, the window answering meanwhile
#           scheduler-slow         the same, waking 3 s after the press; a
#                                  second Return and a Space during the wait
#           press-twice            a second Return and a Space 1 s after the
#                                  first, the window answering meanwhile
#           press-watch            the window answers a window manager's ping
#                                  within 0.5 s from the press to the end
#           retry                  the queue refuses jobs; after the box it
#                                  takes them again and Return retries
#           port-fifo              the direct-write target is a FIFO nobody
#                                  reads
#           tmp-tiny               (at start) TMPDIR is a 64 KiB file system
#           read-only-folder       the program's folder and config.ini close
#           xdg-blocked            the same, and the user's configuration
#                                  folder has a file in its way
#           port-read-only         the direct-write file closes
#           as-nobody              (at start) the program runs as "nobody"
#           config-private         (at start) the same, with a config.ini
#                                  only root may read
#           scheduler-down         (at start) no scheduler answers
#           pause-queue            (at start) the queue is paused with the
#                                  reason "bobina acabou" (enabled after)
#           paper-out              (at start) the printer's roll ran out: its
#                                  backend stopped the queue on a receipt,
#                                  which waits there (cancelled after)
#           held-job               (at start) the queue holds a job with no
#                                  release (cancelled after)
#           reject-reason          the queue refuses jobs "Em manutencao"
#           keyboard               (at start) a second queue, @Q2, after the
#                                  row's; Shift+Tab, Down and Return instead
#                                  of Return: @Q2 receives the jobs
#           queue-added            the same, @Q2 installed once the window
#                                  shows
#           scheduler-asks-password
#                                  (at start) the row's own scheduler asks
#                                  for a password before it creates a job;
#                                  the program runs on a terminal of its own
#                                  (a pty), whose settings stay as they were
#           scheduler-stopped      (at start) the row's own scheduler stops
#                                  answering (SIGSTOP): the window within
#                                  15 s, then closed instead of Return, the
#                                  program gone within 2 s
#           relay OPTIONS          (at start) the program reaches the
#                                  scheduler through tests/fixtures/
#                                  cups-relay.py OPTIONS: answers that pause
#                                  (--pause OP:S), every piece slow (--slow)
#           pipe-unread            (at start) standard output and error are
#                                  a pipe nobody reads
#           full-disk              (at start) the program's folder is a file
#                                  system with no room left
#           kill-9 OPTIONS, kill-term OPTIONS
#                                  the print goes through the relay with
#                                  OPTIONS and the program is killed
#                                  (SIGKILL, SIGTERM) 3 s after the press;
#                                  then the program starts again and the
#                                  operator waits 15 s for the queue to hold
#                                  nothing before closing it
#           net-printer OPTIONS    (at start) the row's own network receipt
#                                  printer, tests/fixtures/net-printer.py
#                                  OPTIONS, at @NET
#           net-two-windows OPTIONS
#                                  the same, and a second window of a copy
#                                  of the program on it; Return on both,
#                                  0.3 s apart
#           serial-printer OPTIONS (at start) the same printer behind a
#                                  serial line, a pty in the kernel's default
#                                  mode that socat joins to it, at @TTY
#           two-windows OPTIONS    a second window of a copy of the program,
#                                  through the same relay; Return on both,
#                                  0.3 s apart
#   jobs    what the row's queue receives, in order, joined by ";", and the
#           parts of one job joined by "+" (a print and its cut: the Windows
#           program's page roads print through the driver, and their cut
#           comes as a job of its own): the bytes
#           in hex; "framed": the file as the default margins frame it;
#           paper:SYMBOLS: a receipt job whose paper, drawn as scripts/run
#           draws it, has these QR codes and barcodes (joined by spaces, a
#           "|" in them written %7C);
#           sha256:HASH: a job whose bytes have this SHA-256 (a long receipt
#           that must come out the same from the Linux and Windows programs);
#           symbols:SYMBOLS: a page job whose pages, drawn at 300 dpi, have
#           these QR codes and barcodes (written as for paper:);
#           page:PAGES:TEXT: a page job ("*": any number of pages), TEXT on its
#           last page when PAGES ends in "$" ("*$", "7$"); port:HEX
#           is what the direct-write file holds; net:HEX what the network
#           printer's next connection received, net:any one of any bytes
#           (and no more connections than those named); serial:HEX the
#           same after the status questions the window asked first; "-": nothing, nothing held
#   box     the message box the operator sees: ARQUIVO, IMPRESSORA or "-".
#           After IMPRESSORA the window stays; the operator closes it.
#   exit    the program's exit status
#   saved   checks of config.ini afterwards, joined by ";": key=value,
#           keys=COUNT, sections=COUNT, "unchanged" (as written), "user:"
#           before one of these
#           for the user's own config.ini, "no-user-file"; says:TEXT and
#           !says:TEXT on what the program wrote; before:TEXT and state:TEXT,
#           the printer's state the window shows before the action and when
#           Return is pressed (waited for, the window answering meanwhile)
set -u
. "$(dirname "$0")/e2e-lib.sh"

platform=$1
program=$2
cups_dir=$ORVANE_CUPS_DIR

TABLE=$(cat <<'ROWS'
baixo: the worked example, then the cut | both | worked | nivel=baixo;margem_esquerda=2;margem_superior=1;margem_inferior=2;matricial=draft;cortarPapel=epson corte total | press | 1b 78 30 1b 12 0a 20 20 41 42 0a 20 20 43 0a 0a 0a+1b 69 | - | 0 | impressora=@Q;cortarPapel=epson corte total;keys=19;says:Entire file data was sent to printer.
baixo: every byte kept, no cut chosen | both | bytes | nivel=baixo | press | 0a 20 20 63 61 66 e9 00 80 ff 0a 20 20 0a 0a 0a | - | 0 | requests:12
escrita direta: CR LF in the file, the cut to the printer | both | lines | nivel=escrita direta;escrita_direta=@PORT;margem_esquerda=1;margem_superior=0;margem_inferior=1;cortarPapel=bematech corte total | press | port:20 41 0d 0a 20 42 0d 0a 20 0d 0a 0d 0a;1b 77 | - | 0 | escrita_direta=@PORT
medio: a page with the text | both | receipt | nivel=medio;cortarPapel=samsung corte parcial | press | page:*:PADARIA SÃO JOÃO+1b 6d | - | 0 | requests:12
alto: a page with the text | both | receipt | nivel=alto;fonte=Arial;fonte_negrito=true;tamanho_fonte=14;cortarPapel=samsung corte parcial | press | page:*:Pão francês+1b 6d | - | 0 | requests:12
no printer chosen | both | lines | impressora=;nivel=baixo;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | !says:debug (printerName)
baixo: printer deleted after start-up | both | lines | nivel=baixo;cortarPapel=epson corte total | delete-queue | - | IMPRESSORA | 0 | -
medio: printer deleted after start-up | linux | lines | nivel=medio;cortarPapel=epson corte total | delete-queue | - | IMPRESSORA | 0 | -
alto: printer deleted after start-up | linux | lines | nivel=alto;cortarPapel=epson corte total | delete-queue | - | IMPRESSORA | 0 | -
baixo: a queue that rejects jobs | linux | lines | nivel=baixo;cortarPapel=epson corte total | reject-queue | - | IMPRESSORA | 0 | says:erro ao iniciar StartDocPrinter:
medio: a queue that rejects jobs after start-up | linux | lines | nivel=medio;cortarPapel=epson corte total | reject-queue | - | IMPRESSORA | 0 | -
alto: a queue that rejects jobs after start-up | linux | lines | nivel=alto;cortarPapel=epson corte total | reject-queue | - | IMPRESSORA | 0 | -
medio: the scheduler stopped after start-up | linux | lines | nivel=medio;cortarPapel=epson corte total | scheduler-stops | - | IMPRESSORA | 0 | -
alto: the scheduler stopped after start-up | linux | lines | nivel=alto;cortarPapel=epson corte total | scheduler-stops | - | IMPRESSORA | 0 | -
no scheduler at start: the saved printer listed, the print fails | linux | lines | nivel=baixo | scheduler-down | - | IMPRESSORA | 0 | impressora=@Q;state:servidor de impressão não responde
a scheduler stopped at start: the window in time, closed at once | linux | lines | nivel=baixo | scheduler-stopped | - | - | 0 | impressora=@Q;state:servidor de impressão não responde
a print server that asks for a password: no prompt, the box at once | linux | lines | nivel=baixo;cortarPapel=epson corte total | scheduler-asks-password | - | IMPRESSORA | 0 | says:o servidor de impressão pede senha;!says:Password for
a disabled queue holds the jobs until enabled | linux | lines | nivel=baixo;cortarPapel=epson corte total | disable-queue | framed+1b 69 | - | 0 | -
the state: an idle queue is ready | linux | lines | nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | state:pronta
the state: paused with a reason, the receipt waits for the queue | linux | lines | nivel=baixo;cortarPapel=epson corte total | pause-queue | framed+1b 69 | - | 0 | state:pausada: bobina acabou
the state: a queue that refuses jobs | linux | lines | nivel=baixo;cortarPapel=epson corte total | reject-queue | - | IMPRESSORA | 0 | before:pronta;state:não aceita trabalhos
the state: the roll ran out, the last receipt waits | linux | lines | nivel=baixo;cortarPapel=epson corte total | paper-out | - | - | 0 | state:pausada: Out of paper, sem papel, 1 trabalho na fila
the state: paused and resumed while the window is open | linux | lines | nivel=baixo;cortarPapel=epson corte total | pause-resume | framed+1b 69 | - | 0 | before:pronta;says:estado da impressora: @Q: pausada: troca de bobina;state:pronta
the state: a scheduler that stops answering while the window is open | linux | lines | nivel=baixo;cortarPapel=epson corte total | scheduler-hangs | - | IMPRESSORA | 0 | before:pronta;state:servidor de impressão não responde
baixo: a saved printer not installed is kept, and nothing prints | linux | lines | impressora=sumiu;nivel=baixo;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | impressora=sumiu;before:não encontrada;!says:debug (printerName)
escrita direta: a saved printer not installed: the port untouched | linux | lines | impressora=sumiu;nivel=escrita direta;escrita_direta=@PORT;cortarPapel=epson corte total | press | port:63 6f 6e 74 65 75 64 6f 20 61 6e 74 69 67 6f 0a | IMPRESSORA | 0 | impressora=sumiu;before:não encontrada;!says:debug (printerName)
medio: a saved printer not installed is kept, and nothing prints | linux | lines | impressora=sumiu;nivel=medio;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | impressora=sumiu;!says:debug (printerName)
medio: the dot-matrix report on 7 pages | linux | report | nivel=medio | press | page:7:RELATORIO DE ESTOQUE - FERRAGENS CENTRAL | - | 0 | -
alto: a 2,500-line report on 25 pages | linux | report2500 | nivel=alto | press | page:25:002500 PARAFUSO SEXTAVADO 2500 | - | 0 | -
alto: only markup, a table left open | linux | table-open | nivel=alto | press | page:1:a | - | 0 | -
medio: only markup, 10,000 <b> | linux | bold-tags | nivel=medio | press | page:7:<b><b> | - | 0 | -
alto: only markup, 10,000 <b> | linux | bold-tags | nivel=alto | press | page:1: | - | 0 | -
medio: one 10 MB line | linux,heavy | one-line | nivel=medio | press | page:*:0123456789ABCDEF | - | 0 | -
alto: one 10 MB line | linux,heavy | one-line | nivel=alto | press | page:*:0123456789ABCDEF | - | 0 | -
medio: 50 MB | linux,heavy | fifty-mb | nivel=medio | press | page:*:PARAFUSO | - | 0 | -
alto: 50 MB | linux,heavy | fifty-mb | nivel=alto | press | page:*:PARAFUSO | - | 0 | -
baixo: 50 MB, every byte | linux | fifty-mb | nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | -
baixo: 5 MB of random bytes | linux | random | nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | -
baixo: invalid UTF-8 and NUL bytes | linux | invalid-utf8 | nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | -
an empty file | linux | empty | nivel=baixo;cortarPapel=epson corte total | press | 0a 20 20 0a 0a 0a+1b 69 | - | 0 | -
a path relative to the working folder | linux | relative | nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | -
medio: a second Return and a Space during a long print: one print, one cut | linux,heavy | four-mb | nivel=medio;cortarPapel=epson corte total | press-twice | page:*:PARAFUSO+1b 69 | - | 0 | -
alto: a second Return and a Space during a long print: one print, one cut | linux,heavy | four-mb | nivel=alto;cortarPapel=epson corte total | press-twice | page:*:PARAFUSO+1b 69 | - | 0 | -
baixo: a second Return and a Space while the scheduler is slow: one print, one cut | linux | lines | nivel=baixo;cortarPapel=epson corte total | scheduler-slow | framed+1b 69 | - | 0 | -
baixo: Return after the failure box retries, once | linux | lines | nivel=baixo;cortarPapel=epson corte total | retry | framed+1b 69 | IMPRESSORA | 0 | -
baixo: a scheduler that stops answering: the box in time, nothing after it wakes | linux | lines | nivel=baixo;cortarPapel=epson corte total | scheduler-hangs | - | IMPRESSORA | 0 | -
medio: a scheduler that stops answering: the box in time, nothing after it wakes | linux | lines | nivel=medio;cortarPapel=epson corte total | scheduler-hangs | - | IMPRESSORA | 0 | -
alto: a scheduler that stops answering: the box in time, nothing after it wakes | linux | lines | nivel=alto;cortarPapel=epson corte total | scheduler-hangs | - | IMPRESSORA | 0 | -
escrita direta: a FIFO nobody reads | linux | lines | nivel=escrita direta;escrita_direta=@PORT;cortarPapel=epson corte total | port-fifo | - | IMPRESSORA | 0 | says:bytes
medio: a 10 MB report, the window answering | linux,heavy | ten-mb | nivel=medio | press-watch | page:*:256000 PARAFUSO SEXTAVADO | - | 0 | -
alto: a 10 MB report, the window answering | linux,heavy | ten-mb | nivel=alto | press-watch | page:*$:256000 PARAFUSO SEXTAVADO | - | 0 | -
medio: 450,000 lines, the last one on the last page | linux,heavy | lines450k | nivel=medio | press | page:*$:450000 PARAFUSO SEXTAVADO | - | 0 | -
medio: a temporary folder too small for the page | linux | receipt4000 | nivel=medio;cortarPapel=epson corte total | tmp-tiny | page:*:004000 PARAFUSO SEXTAVADO+1b 69 | - | 0 | -
a 3 GB file: too large to hold | linux | sparse-3g | nivel=baixo | - | - | ARQUIVO | 1 | says:arquivo inválido: maior que o limite de 2047 MB
a FIFO as the file: never waited on | linux | fifo | nivel=baixo | - | - | ARQUIVO | 1 | says:arquivo inválido: não é um arquivo comum (FIFO)
a device as the file: never read | linux | device | nivel=baixo | - | - | ARQUIVO | 1 | says:arquivo inválido: não é um arquivo comum (dispositivo)
a link to itself as the file | linux | link-loop | nivel=baixo | - | - | ARQUIVO | 1 | says:arquivo inválido: não pôde ser lido: Too many levels of symbolic links
baixo: epson pc860, a UTF-8 file | both | utf8-accents | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860;cortarPapel=epson corte total | press | 1b 74 03 53 8e 4f 20 4a 6f 84 6f 20 3f 0a 0a+1b 69 | - | 0 | codificacao=epson pc860;keys=19
baixo: no code page: byte-order mark and NUL unchanged | linux | bom-nul | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0 | press | ef bb bf 50 c3 a3 6f 00 c3 a9 0a 0a | - | 0 | codificacao=
baixo: an unknown code page: bytes unchanged, the value kept and named | linux | utf8-accents | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc437 | press | 53 c3 83 4f 20 4a 6f c3 a3 6f 20 e2 82 ac 0a 0a | - | 0 | codificacao=epson pc437;says:config.ini: valor desconhecido para codificacao: "epson pc437"
baixo: nivel=Baixo and cortarPapel=Epson corte total: raw, with the cut | both | lines | nivel=Baixo;cortarPapel=Epson corte total | press | framed+1b 69 | - | 0 | nivel=baixo;cortarPapel=epson corte total
unknown level and cut: the fallback prints, the values kept and named | linux | lines | nivel=baixissimo;cortarPapel=epson guilhotina | press | page:*:A | - | 0 | nivel=baixissimo;cortarPapel=epson guilhotina;says:config.ini: valor desconhecido para nivel: "baixissimo";says:config.ini: valor desconhecido para cortarPapel: "epson guilhotina"
the keyboard: Shift+Tab, Down, Return prints on the next queue | linux | lines | nivel=baixo;cortarPapel=epson corte total | keyboard | framed+1b 69 | - | 0 | impressora=@Q2
a queue installed while the window is open, then chosen | linux | lines | nivel=baixo;cortarPapel=epson corte total | queue-added | framed+1b 69 | - | 0 | impressora=@Q2
the state: a queue that refuses jobs says why | linux | lines | nivel=baixo;cortarPapel=epson corte total | reject-reason | - | IMPRESSORA | 0 | state:não aceita trabalhos: Em manutencao
the state: a job held with no release is not waiting | linux | lines | nivel=baixo;cortarPapel=epson corte total | held-job | framed+1b 69 | - | 0 | state:pronta
medio: three form-fed pages | linux | form-feeds | nivel=medio | press | page:3$:PAGINA 3 | - | 0 | -
alto: three form-fed pages | linux | form-feeds | nivel=alto | press | page:3$:PAGINA 3 | - | 0 | -
baixo: the form feeds sent as they are | linux | form-feeds | nivel=baixo | press | framed | - | 0 | -
medio: UTF-16 LE | linux | utf16le | nivel=medio | press | page:1:Pão de Açúcar | - | 0 | -
alto: UTF-16 BE | linux | utf16be | nivel=alto | press | page:1:Pão de Açúcar | - | 0 | -
baixo: UTF-16 LE in epson pc860 | linux | utf16le | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860 | press | 1b 74 03 50 84 6f 20 64 65 20 41 87 a3 63 61 72 0a 0a | - | 0 | -
baixo: UTF-16 BE, no code page: UTF-8 | linux | utf16be | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0 | press | 50 c3 a3 6f 20 64 65 20 41 c3 a7 c3 ba 63 61 72 0a 0a | - | 0 | -
medio: a NUL hides nothing after it | linux | nul-total | nivel=medio | press | page:1:TOTAL 99,90 | - | 0 | -
alto: a NUL hides nothing after it | linux | nul-total | nivel=alto | press | page:1:TOTAL 99,90 | - | 0 | -
escrita direta: epson pc860, CR LF | linux | utf8-lines | nivel=escrita direta;escrita_direta=@PORT;margem_esquerda=1;margem_superior=0;margem_inferior=1;codificacao=epson pc860;cortarPapel=epson corte total | press | port:1b 74 03 20 53 8e 4f 0d 0a 20 4a 6f 84 6f 0d 0a 20 0d 0a 0d 0a;1b 69 | - | 0 | -
medio: a Windows-1252 file, the code page ignored | linux | cp1252 | nivel=medio;codificacao=epson pc860;cortarPapel=epson corte total | press | page:*:Pão € 5,00+1b 69 | - | 0 | -
alto: a Windows-1252 file, the code page ignored | linux | cp1252 | nivel=alto;codificacao=epson pc860 | press | page:*:Pão € 5,00 | - | 0 | -
receipt tags, baixo: the printer's commands, the text in the code page | both | tags | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860;etiquetas=acbr;colunas=32;cortarPapel=epson corte total | press | 1b 74 03 1b 61 01 1b 45 01 50 8e 4f 0a 1b 61 00 1d 28 6b 04 00 31 41 32 00 1d 28 6b 03 00 31 43 04 1d 28 6b 03 00 31 45 30 1d 28 6b 0a 00 31 50 30 31 32 33 34 35 36 37 1d 28 6b 03 00 31 51 30 0a 1b 70 00 19 fa 1b 45 00 1b 61 00 0a+1b 69 | - | 0 | etiquetas=acbr;colunas=32;keys=19
receipt tags, escrita direta: CR LF for the text only, the QR length byte of 10 kept | linux | tags | nivel=escrita direta;escrita_direta=@PORT;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | press | port:1b 74 03 1b 61 01 1b 45 01 50 8e 4f 0d 0a 1b 61 00 1d 28 6b 04 00 31 41 32 00 1d 28 6b 03 00 31 43 04 1d 28 6b 03 00 31 45 30 1d 28 6b 0a 00 31 50 30 31 32 33 34 35 36 37 1d 28 6b 03 00 31 51 30 0d 0a 1b 70 00 19 fa 1b 45 00 1b 61 00 0d 0a;1b 69 | - | 0 | -
receipt tags, baixo: the NFC-e example, its QR code and EAN-13 read back from the paper | both | nfce | nivel=baixo;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | press | paper:https://www.nfce.fazenda.sp.gov.br/qrcode?p=35261212345678000190650010000012341000123455%7C2%7C1%7C1%7C6032EFB7F729AD0306A0BC491BCE794248EC7CFD 7891234567895+1b 69 | - | 0 | -
receipt tags, baixo: the NFC-e example, the same bytes from both programs | both | nfce | nivel=baixo;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | press | sha256:f1ab897c70fea96d5d2712d62cff2db9ca5f0b833e1cbb73159a2839e20ac611+1b 69 | - | 0 | -
receipt tags, medio: the NFC-e page, its QR code and EAN-13 read back at 300 dpi | both | nfce | nivel=medio;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | press | symbols:https://www.nfce.fazenda.sp.gov.br/qrcode?p=35261212345678000190650010000012341000123455%7C2%7C1%7C1%7C6032EFB7F729AD0306A0BC491BCE794248EC7CFD 7891234567895+1b 69 | - | 0 | -
receipt tags, alto: the NFC-e page, its QR code and EAN-13 read back at 300 dpi | linux | nfce | nivel=alto;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | press | symbols:https://www.nfce.fazenda.sp.gov.br/qrcode?p=35261212345678000190650010000012341000123455%7C2%7C1%7C1%7C6032EFB7F729AD0306A0BC491BCE794248EC7CFD 7891234567895+1b 69 | - | 0 | -
receipt tags, baixo: a JPEG picture as the printer's raster image | both | jpeg-blocks | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;etiquetas=acbr | press | 1d 76 30 00 02 00 10 00 00 ff 00 ff 00 ff 00 ff 00 ff 00 ff 00 ff 00 ff ff 00 ff 00 ff 00 ff 00 ff 00 ff 00 ff 00 ff 00 0a 1b 61 00 0a | - | 0 | -
receipt tags not read: printed as text | linux | tags | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860;cortarPapel=epson corte total | press | 1b 74 03 3c 63 65 3e 3c 6e 3e 50 8e 4f 3c 2f 6e 3e 3c 2f 63 65 3e 0a 3c 71 72 63 6f 64 65 3e 31 32 33 34 35 36 37 3c 2f 71 72 63 6f 64 65 3e 0a 3c 2f 61 62 72 65 5f 67 61 76 65 74 61 3e 0a+1b 69 | - | 0 | etiquetas=
receipt tags, baixo: a bad EAN-13, no job and no cut | both | bad-tag | nivel=baixo;etiquetas=acbr;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | says:etiqueta inválida na linha 2: <ean13> precisa de 12 ou 13 algarismos
receipt tags, escrita direta: a QR code never closed, the port untouched | linux | bad-qr | nivel=escrita direta;escrita_direta=@PORT;etiquetas=acbr;cortarPapel=epson corte total | press | port:63 6f 6e 74 65 75 64 6f 20 61 6e 74 69 67 6f 0a | IMPRESSORA | 0 | says:etiqueta inválida na linha 1: <qrcode> sem </qrcode>
receipt tags, medio: a bad tag prints no page | linux | bad-tag | nivel=medio;etiquetas=acbr;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | says:<ean13>
config.ini in UTF-8: an accented printer name | both | lines | @utf8:nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | impressora=@Q;keys=19
config.ini in UTF-8 with a byte-order mark: read and saved | both | lines | @bom:nivel=baixo;cortarPapel=epson corte total;margem_geral=42 | press | framed+1b 69 | - | 0 | impressora=@Q;margem_geral=42;keys=19;sections=1
config.ini in Windows-1252 | both | lines | @cp1252:nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | impressora=@Q;keys=19
config.ini in UTF-16 | both | lines | @utf16:nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | impressora=@Q;keys=19;sections=1
config.ini with [Geral]: one [geral] saved | both | lines | @Geral:nivel=baixo;cortarPapel=epson corte total | press | framed+1b 69 | - | 0 | impressora=@Q;keys=19;sections=1
escrita direta: a Windows path typed with single backslashes | windows | lines | nivel=escrita direta;escrita_direta=@PORT1;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | press | port:41 0d 0a 42 0d 0a 0d 0a;1b 69 | - | 0 | escrita_direta=@PORT
no argument | both | none | margem_geral=42;nivel=medio;extra=mantido | - | - | ARQUIVO | 1 | keys=20;margem_geral=42;nivel=medio;extra=mantido
a missing file | both | missing | margem_geral=42;nivel=medio | - | - | ARQUIVO | 1 | keys=19;margem_geral=42;nivel=medio
a directory | both | folder | nivel=medio | - | - | ARQUIVO | 1 | nivel=medio
a file the user may not read | linux | unreadable | nivel=medio | as-nobody | - | ARQUIVO | 1 | nivel=medio;says:arquivo inválido: não pôde ser lido: Permission denied
no config.ini: created with the defaults | both | missing | - | - | - | ARQUIVO | 1 | keys=19;nivel=baixo;escrita_direta=LPT1;margem_esquerda=2
a name with spaces and accents | both | accented-name | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | press | 4e ba 20 31 0a 0a+1b 69 | - | 0 | -
a name in another encoding than the locale's | linux | latin1-name | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0 | press | 4e ba 20 31 0a 0a | - | 0 | -
a Windows-1252 file: bytes unchanged | both | cp1252 | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0 | press | 50 e3 6f 20 80 20 35 2c 30 30 0a 0a | - | 0 | -
a read-only program folder: the settings go to the user's folder | both | worked | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | read-only-folder | 41 42 0a 43 0a+1b 69 | - | 0 | unchanged;user:keys=19;user:impressora=@Q;user:cortarPapel=epson corte total
the user's configuration folder blocked by a file | linux | worked | nivel=baixo;cortarPapel=epson corte total | xdg-blocked | framed+1b 69 | - | 0 | unchanged;says:config.ini não foi salvo: a pasta não pôde ser criada
config.ini is a directory | linux | worked | @directory | press | - | IMPRESSORA | 0 | no-user-file;says:config.ini não foi salvo: o arquivo existe mas não pode ser lido
config.ini of garbage: the defaults, the file kept | linux | worked | @garbage | press | - | IMPRESSORA | 0 | unchanged;says:config.ini não foi salvo: o arquivo está malformado
config.ini the user may not read: the file kept | linux | worked | nivel=baixo | config-private | - | IMPRESSORA | 0 | unchanged;says:config.ini não foi salvo: o arquivo existe mas não pode ser lido
config.ini with a 1 MB line | linux | worked | @long-font | press | framed+1b 69 | - | 0 | says:config.ini: valor desconhecido para fonte: "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA..."
config.ini with absurd numbers | linux | worked | nivel=baixo;margem_geral=99999999999999999999999;margem_superior=-99999999999999999999999;margem_inferior=-2147483649;tamanho_fonte=-7;width=-100000;height=999999999;x=-999999999;y=77 | press | 20 20 41 42 0a 20 20 43 0a | - | 0 | margem_superior=0;margem_inferior=0;tamanho_fonte=0;margem_geral=99
config.ini with keys twice | linux | worked | nivel=alto;nivel=baixo;impressora=outra;impressora=@Q | press | framed | - | 0 | keys=19
escrita direta: a folder that does not exist | linux | lines | nivel=escrita direta;escrita_direta=/nao/existe/porta.prn;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | -
escrita direta: a file that may not be written | linux | lines | nivel=escrita direta;escrita_direta=@PORT;cortarPapel=epson corte total | port-read-only | port:63 6f 6e 74 65 75 64 6f 20 61 6e 74 69 67 6f 0a | IMPRESSORA | 0 | -
escrita direta: a full device | linux | lines | nivel=escrita direta;escrita_direta=/dev/full;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | -
escrita direta to a network printer: the receipt and its cut on one connection, no queue chosen, nothing to the spooler | both | lines | impressora=;nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | net-printer | net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | - | 0 | -
receipt tags, escrita direta to a network printer: the bytes of a port, the cut after them | linux | tags | nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | net-printer | net:10 04 01 10 04 02 10 04 04 1b 74 03 1b 61 01 1b 45 01 50 8e 4f 0d 0a 1b 61 00 1d 28 6b 04 00 31 41 32 00 1d 28 6b 03 00 31 43 04 1d 28 6b 03 00 31 45 30 1d 28 6b 0a 00 31 50 30 31 32 33 34 35 36 37 1d 28 6b 03 00 31 51 30 0d 0a 1b 70 00 19 fa 1b 45 00 1b 61 00 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | - | 0 | -
escrita direta to a network printer busy with another till for 2 s: printed once it takes the connection | linux | lines | nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | net-printer --refuse-for 2 | net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | - | 0 | -
escrita direta to a network printer that stops reading: the box, the bytes it took said, nothing sent again | linux | four-mb | nivel=escrita direta;escrita_direta=@NET;cortarPapel=epson corte total | net-printer --stop-after 2000 --small-buffer | net:any | IMPRESSORA | 0 | says:bytes enviados antes de parar: a impressora em 127.0.0.1:
escrita direta to a serial line in the kernel's default mode: the tagged receipt byte for byte, the QR length byte of 10 kept, the cut to the printer | linux | tags | nivel=escrita direta;escrita_direta=@TTY;margem_esquerda=0;margem_superior=0;margem_inferior=0;codificacao=epson pc860;etiquetas=acbr;cortarPapel=epson corte total | serial-printer | serial:1b 74 03 1b 61 01 1b 45 01 50 8e 4f 0d 0a 1b 61 00 1d 28 6b 04 00 31 41 32 00 1d 28 6b 03 00 31 43 04 1d 28 6b 03 00 31 45 30 1d 28 6b 0a 00 31 50 30 31 32 33 34 35 36 37 1d 28 6b 03 00 31 51 30 0d 0a 1b 70 00 19 fa 1b 45 00 1b 61 00 0d 0a;1b 69 | - | 0 | -
escrita direta to a serial line with its speed after the name: printed byte for byte | linux | lines | nivel=escrita direta;escrita_direta=@TTY:115200;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | serial-printer | serial:41 0d 0a 42 0d 0a 0d 0a;1b 69 | - | 0 | -
two windows pressed 0.3 s apart on a network printer that takes one client at a time: each receipt with its own cut, in one piece | linux | lines | nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | net-two-windows --one-client | net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04;net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | - | 0 | -
the serial printer's own status: sem papel shown before the press, refused at it, nothing sent | linux | lines | nivel=escrita direta;escrita_direta=@TTY:9600;cortarPapel=epson corte total | serial-printer --status paper-out | - | IMPRESSORA | 0 | before:sem papel;says:impressao recusada, nada foi enviado: estado da impressora: sem papel
escrita direta to a network printer whose name does not resolve: the box | linux | lines | nivel=escrita direta;escrita_direta=tcp://nao-existe.invalid:9100;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | says:nao foi possivel abrir nao-existe.invalid:9100
the network printer's own status: sem papel shown before the press, refused at it, nothing sent | linux | lines | nivel=escrita direta;escrita_direta=@NET;cortarPapel=epson corte total | net-printer --status paper-out | - | IMPRESSORA | 0 | before:sem papel;says:impressao recusada, nada foi enviado: estado da impressora: sem papel
the network printer's own status: tampa aberta shown before the press, refused at it, nothing sent | linux | lines | nivel=escrita direta;escrita_direta=@NET;cortarPapel=epson corte total | net-printer --status cover-open | - | IMPRESSORA | 0 | before:tampa aberta;says:impressao recusada, nada foi enviado: estado da impressora: tampa aberta
the network printer's own status: offline shown before the press, refused at it, nothing sent | linux | lines | nivel=escrita direta;escrita_direta=@NET;cortarPapel=epson corte total | net-printer --status offline | - | IMPRESSORA | 0 | before:offline;says:impressao recusada, nada foi enviado: estado da impressora: offline
the network printer's own status: erro shown before the press, refused at it, nothing sent | linux | lines | nivel=escrita direta;escrita_direta=@NET;cortarPapel=epson corte total | net-printer --status error | - | IMPRESSORA | 0 | before:erro;says:impressao recusada, nada foi enviado: estado da impressora: erro
the network printer's own status: pouco papel shown, and the receipt prints | linux | lines | nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | net-printer --status near-end | net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | - | 0 | before:pouco papel
the network printer answers malformed status bytes: não responde, and the receipt prints as before | linux | lines | nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | net-printer --status malformed | net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | - | 0 | before:não responde
the network printer's paper runs out during the print: the box says so, the program stays | linux | lines | nivel=escrita direta;escrita_direta=@NET;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | net-printer --paper-out-after 12 | net:10 04 01 10 04 02 10 04 04 41 0d 0a 42 0d 0a 0d 0a 1b 69 10 04 01 10 04 02 10 04 04 | IMPRESSORA | 0 | before:pronta;says:a impressora ficou sem papel durante a impressão
the installed program: the worked example | installed | worked | nivel=baixo;margem_esquerda=2;margem_superior=1;margem_inferior=2;matricial=draft;cortarPapel=epson corte total | read-only-folder | 1b 78 30 1b 12 0a 20 20 41 42 0a 20 20 43 0a 0a 0a+1b 69 | - | 0 | unchanged;user:keys=19
the installed program: a missing file | installed | missing | nivel=baixo | - | - | ARQUIVO | 1 | -
baixo: a pause of 0.7 s inside the Create-Job and Release-Job answers: one print, one cut | linux,once | lines | nivel=baixo;cortarPapel=epson corte total | relay --pause Create-Job:0.7 --pause Release-Job:0.7 | framed+1b 69 | - | 0 | -
baixo: a pause of 3 s inside the answer to every step: one print, one cut | linux,once | lines | nivel=baixo;cortarPapel=epson corte total | relay --pause Get-Printer-Attributes:3 --pause Create-Job:3 --pause Send-Document:3 --pause Release-Job:3 | framed+1b 69 | - | 0 | -
medio: a pause of 3 s inside the Create-Job and Release-Job answers: one print, one cut | linux,once | receipt | nivel=medio;cortarPapel=epson corte total | relay --pause Create-Job:3 --pause Release-Job:3 | page:*:PADARIA SÃO JOÃO+1b 69 | - | 0 | -
baixo: every piece 0.6 to 1.2 s late: one print, one cut | linux | lines | nivel=baixo;cortarPapel=epson corte total | relay --slow 0.6-1.2 | framed+1b 69 | - | 0 | -
alto: every piece 0.6 to 1.2 s late: one print, one cut | linux,once | receipt | nivel=alto;cortarPapel=epson corte total | relay --slow 0.6-1.2 | page:*:Pão francês+1b 69 | - | 0 | -
baixo: 12 s of silence inside the Create-Job answer: the box, nothing printed or held | linux | lines | nivel=baixo;cortarPapel=epson corte total | relay --pause Create-Job:12 | - | IMPRESSORA | 0 | -
two windows pressed 0.3 s apart through a slow link: each receipt with its own cut | linux,once | lines | nivel=baixo;cortarPapel=epson corte total | two-windows --slow 0.3-0.6 | framed+1b 69;framed+1b 69 | - | 0 | -
baixo: output to a pipe nobody reads: printed, and the program ends | linux | report2500 | nivel=baixo;cortarPapel=epson corte total | pipe-unread | framed+1b 69 | - | 0 | -
alto: output to a pipe nobody reads: printed, and the program ends | linux | report2500 | nivel=alto;cortarPapel=epson corte total | pipe-unread | page:25:002500 PARAFUSO SEXTAVADO 2500+1b 69 | - | 0 | -
config.ini on a full disk: the old file kept whole, and said | linux | lines | nivel=baixo;cortarPapel=epson corte total | full-disk | framed+1b 69 | - | 0 | unchanged;says:config.ini não foi salvo: o arquivo não pôde ser gravado
killed while the job waits held with its whole document: the next start cancels it | linux | lines | nivel=baixo;cortarPapel=epson corte total | kill-9 --pause Send-Document:30 | - | - | 137 | -
terminated while the Create-Job answer is awaited: the next start cancels the job | linux,once | lines | nivel=baixo;cortarPapel=epson corte total | kill-term --pause Create-Job:30 | - | - | 143 | -
killed while a report goes out over a slow link: nothing prints later | linux,once | receipt4000 | nivel=baixo;cortarPapel=epson corte total | kill-9 --slow 0.3-0.6 | - | - | 137 | -
medio: killed while the page waits held: the next start cancels it | linux,once | receipt | nivel=medio;cortarPapel=epson corte total | kill-9 --pause Send-Document:30 | - | - | 137 | -
ROWS
)

# --- the platform ----------------------------------------------------------
case $platform in
    linux)
        install_program() { cp "$program" "$1/orvane"; }
        native_path() { printf '%s' "$1"; }
        run_program() { exec "${RUN_AS[@]}" env "${RUN_ENV[@]}" "$1/orvane" "${@:2}"; }
        user_config() { echo "$XDG/orvane/config.ini"; }
        ;;
    windows)
        export WINEPREFIX=$E2E_WORK/wineprefix WINEDEBUG=-all
        # No Mono or Gecko installer, no menu entries in the user's home.
        export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
        wine_ready || { check "a wine prefix in $WINEPREFIX" false; checks_summary; exit 1; }
        trap 'timeout 30 wineserver -k 2>/dev/null; e2e_cleanup' EXIT
        install_program() { cp -r "$program"/. "$1/"; }
        native_path() { printf 'Z:%s' "${1//\//\\}"; }
        run_program() { exec wine "$1/orvane.exe" "${@:2}"; }
        user_config() { echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Orvane/config.ini"; }
        ;;
    *) echo "usage: $0 linux BINARY [installed] | windows FOLDER" >&2; exit 2 ;;
esac

report_lines() { # COUNT: lines of 41 bytes, as a report has them
    awk -v n="$1" 'BEGIN { for (i = 1; i <= n; i++) printf "%06d PARAFUSO SEXTAVADO %04d R$ %6.2f\n", i % 1000000, i % 5000, (i * 0.37) % 1000 }'
}

# The samples a row can name, made once. Sets FILE to the path.
samples=$E2E_TMP/samples
mkdir -p "$samples/pasta" "$samples/sem acesso"
chmod 0700 "$samples/sem acesso"
sample() { # NAME PRINTF_FORMAT
    FILE=$samples/$1
    [ -e "$FILE" ] || printf "$2" >"$FILE"
}
make_file() { # SAMPLE
    case $1 in
        worked) sample worked.txt 'AB\r\nC' ;;
        bytes) sample bytes.txt 'caf\xe9\x00\x80\xff\n' ;;
        lines) sample lines.txt 'A\nB\n' ;;
        receipt) sample receipt.txt 'PADARIA SÃO JOÃO\nPão francês   7,50\n' ;;
        cp1252) sample cp1252.txt 'P\xe3o \x80 5,00\n' ;;
        utf8-accents) sample utf8-accents.txt 'S\xc3\x83O Jo\xc3\xa3o \xe2\x82\xac\n' ;;
        utf8-lines) sample utf8-lines.txt 'S\xc3\x83O\nJo\xc3\xa3o\n' ;;
        bom-nul) sample bom-nul.txt '\xef\xbb\xbfP\xc3\xa3o\x00\xc3\xa9\n' ;;
        form-feeds) sample form-feeds.txt 'PAGINA 1\nlinha\n\fPAGINA 2\n\fPAGINA 3\n\f' ;;
        nul-total) sample nul-total.txt 'ANTES DO NUL\nlinha 2\n\x00\nDEPOIS\nTOTAL 99,90\n' ;;
        # As PowerShell's Out-File writes it, CR LF line ends.
        utf16le) FILE=$samples/utf16le.txt; printf 'P\xc3\xa3o de A\xc3\xa7\xc3\xbacar\r\n' | iconv -f UTF-8 -t UTF-16LE |
                     { printf '\xff\xfe'; cat; } >"$FILE" ;;
        utf16be) FILE=$samples/utf16be.txt; printf 'P\xc3\xa3o de A\xc3\xa7\xc3\xbacar\r\n' | iconv -f UTF-8 -t UTF-16BE |
                     { printf '\xfe\xff'; cat; } >"$FILE" ;;
        accented-name) sample "Cupom Nº 1.txt" 'N\xba 1\n' ;;
        latin1-name) sample "$(printf 'Cupom N\xba 1.txt')" 'N\xba 1\n' ;;
        invalid-utf8) sample invalid-utf8.txt 'caf\xe9 \xc3\x28 \xff\xfe\x00depois\n\x00\x00fim' ;;
        table-open) sample table-open.txt '<table>\n<tr><td>a\n<td>b\n<tr><td>c' ;;
        empty) sample empty.txt '' ;;
        nfce) FILE=$ORVANE_EXAMPLES/nfce.txt ;;
        tags) sample tags.txt '<ce><n>P\xc3\x83O</n></ce>\n<qrcode>1234567</qrcode>\n</abre_gaveta>' ;;
        # Blocks of 8 by 8 dots, black or white: a JPEG decoder gives them back exactly.
        jpeg-blocks) sample jpeg-blocks.txt '<bmp>blocos.jpg</bmp>\n'
                     [ -e "$samples/blocos.jpg" ] || gs -q -dNOPAUSE -dBATCH -sDEVICE=jpeggray -r72 -dFIXEDMEDIA \
                         -dDEVICEWIDTHPOINTS=16 -dDEVICEHEIGHTPOINTS=16 -o "$samples/blocos.jpg" \
                         -c '1 setgray clippath fill 0 setgray 0 0 8 8 rectfill 8 8 8 8 rectfill showpage' ;;
        bad-tag) sample bad-tag.txt 'CUPOM\n<ean13>78912345</ean13>\n</corte_total>\n' ;;
        bad-qr) sample bad-qr.txt '<qrcode>https://exemplo\n</corte_total>\n' ;;
        unreadable) sample "sem acesso/segredo.txt" 'segredo\n' ;;
        relative) FILE=$dir/relativo.txt; printf 'relativo\n' >"$FILE" ;;
        report) FILE=$ORVANE_EXAMPLES/relatorio-matricial.txt ;;
        report2500) FILE=$samples/report2500.txt; [ -e "$FILE" ] || report_lines 2500 >"$FILE" ;;
        fifty-mb) FILE=$samples/fifty-mb.txt; [ -e "$FILE" ] || report_lines 1280000 >"$FILE" ;;
        random) FILE=$samples/random.bin; [ -e "$FILE" ] || head -c 5242880 /dev/urandom >"$FILE" ;;
        bold-tags) FILE=$samples/bold-tags.txt; [ -e "$FILE" ] || { printf '<b>%.0s' $(seq 10000); echo; } >"$FILE" ;;
        one-line) FILE=$samples/one-line.txt
                  [ -e "$FILE" ] || head -c 655360 /dev/zero | tr '\0' x | sed 's/x/0123456789ABCDEF/g' | tr -d '\n' >"$FILE" ;;
        four-mb) FILE=$samples/four-mb.txt; [ -e "$FILE" ] || report_lines 102400 >"$FILE" ;;
        ten-mb) FILE=$samples/ten-mb.txt; [ -e "$FILE" ] || report_lines 256000 >"$FILE" ;;
        lines450k) FILE=$samples/lines450k.txt; [ -e "$FILE" ] || report_lines 450000 >"$FILE" ;;
        receipt4000) FILE=$samples/receipt4000.txt; [ -e "$FILE" ] || report_lines 4000 >"$FILE" ;;
        sparse-3g) FILE=$samples/sparse-3g.txt; [ -e "$FILE" ] || truncate -s 3G "$FILE" ;;
        fifo) FILE=$samples/fifo.txt; [ -p "$FILE" ] || mkfifo "$FILE" ;;
        device) FILE=/dev/zero ;;
        link-loop) FILE=$samples/laco.txt; [ -L "$FILE" ] || ln -s laco.txt "$FILE" ;;
        missing) FILE=$samples/nao-existe.txt ;;
        folder) FILE=$samples/pasta ;;
        *) echo "no sample $1" >&2; return 1 ;;
    esac
}

# config.ini of a row, @Q and @PORT filled in, or one of the odd ones.
write_config() { # CONFIG QUEUE PORT FILE
    local text saved_as=
    case $1 in
        -) return ;;
        @garbage) head -c 4096 /dev/urandom | tr -d '\000' >"$4"; return ;;
        @directory) mkdir "$4"; return ;;
        @long-font) text="nivel=baixo;cortarPapel=epson corte total;fonte=$(head -c 1048576 /dev/zero | tr '\0' A)" ;;
        @*:*) saved_as=${1%%:*}; text=${1#*:} ;;
        *) text=$1 ;;
    esac
    text=${text//;/$'\n'}
    text=${text//@Q/"$2"}
    # @PORT1: the path as a Windows user types it, single backslashes.
    text=${text//@PORT1/"${3//\\\\/\\}"}
    text=${text//@PORT/"$3"}
    text=${text//@NET/"${NET_TARGET:-}"}
    text=${text//@TTY/"${SERIAL_LINE:-}"}
    [[ $text == *impressora=* ]] || text="impressora=$2"$'\n'"$text"
    text=$'[geral]\n'"$text"$'\n'
    # As Notepad saves it.
    case $saved_as in
        @bom) text=$'\xef\xbb\xbf'"$text" ;;
        @Geral) text=${text/\[geral\]/[Geral]} ;;
    esac
    case $saved_as in
        @cp1252) printf '%s' "$text" | iconv -f UTF-8 -t CP1252 >"$4" ;;
        @utf16) printf '%s' "${text//$'\n'/$'\r\n'}" | iconv -f UTF-8 -t UTF-16 >"$4" ;;
        *) printf '%s' "$text" >"$4" ;;
    esac
}

# Jobs and port of a row, against its expectation.
# The receipt job drawn as the demo draws the paper, and the symbols zbarimg
# reads from the picture, joined by spaces (a "|" of theirs written %7C).
paper_symbols() { # JOB EXPECTED
    local picture=$1.png state=$1.state expected=${2//%7C/|}
    : >"$state"
    python3 "$(dirname "$0")/../../scripts/lib/paper-view.py" "$picture" "$state" "$1" >/dev/null &&
        equals "$(zbarimg -q --raw "$picture" 2>/dev/null | sort | tr '\n' ' ')" "$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')"
}

# A page job's QR codes and barcodes, read back from its pages drawn at
# 300 dpi (a PDF by pdftoppm, wine's PostScript by gs).
page_symbols() { # JOB EXPECTED
    local pages=$1.pages expected=${2//%7C/|}
    rm -rf "$pages" && mkdir -p "$pages" || return 1
    if [ "$(head -c 5 "$1")" = %PDF- ]; then
        pdftoppm -r 300 -gray -png "$1" "$pages/p" 2>/dev/null || return 1
    else
        gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r300 -o "$pages/p-%03d.png" "$1" >/dev/null 2>&1 || return 1
    fi
    equals "$(zbarimg -q --raw "$pages"/*.png 2>/dev/null | sort | tr '\n' ' ')" "$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')"
}

check_output() { # NAME EXPECTED QUEUE PORT_FILE [NET_DIR]
    local name=$1 queue=$3 entry jobs=() n file connections=0
    IFS=';' read -ra entries <<<"$2"
    for entry in "${entries[@]}"; do
        case $entry in
            -) ;;
            port:*) check "$name: the direct-write file" equals "$(hex_of "$4")" "${entry#port:}" ;;
            serial:*) connections=$((connections + 1))
                      check "$name: what the serial line carried after the status questions" \
                          equals "$(hex_of "$(net_connection "$5" $connections)" | sed -E 's/^(10 04 0[124] ?)*//')" "${entry#serial:}" ;;
            net:any) connections=$((connections + 1))
                     check "$name: connection $connections of the network printer" test -n "$(net_connection "$5" $connections)" ;;
            net:*) connections=$((connections + 1))
                   check "$name: connection $connections of the network printer" \
                       equals "$(hex_of "$(net_connection "$5" $connections)")" "${entry#net:}" ;;
            page:*+* | symbols:*+*) if [ "$platform" = windows ]; then
                          jobs+=("${entry%%+*}" "${entry#*+}")
                      else
                          jobs+=("$entry")
                      fi ;;
            *) jobs+=("$entry") ;;
        esac
    done
    [ -z "${5:-}" ] || check "$name: $connections connection(s) to the network printer, no other" \
        test -z "$(net_connection "$5" $((connections + 1)))"
    [ ${#jobs[@]} -eq 0 ] || check "$name: ${#jobs[@]} job(s)" cups_private wait-job "$cups_dir" "$queue" ${#jobs[@]} 60
    sleep 0.3
    check "$name: ${#jobs[@]} job(s), no other" equals "$(job_count "$queue")" ${#jobs[@]}
    check "$name: nothing held in the queue" equals "$(cups_private pending "$cups_dir" "$queue" 2>/dev/null || echo 0)" 0
    for n in "${!jobs[@]}"; do
        check_job_parts "$name: job $((n + 1))" "$(job "$queue" $((n + 1)))" "${jobs[$n]}"
    done
}

# The parts of one job file, each against its expectation: the bytes of
# the hex and framed parts are known, a page is what lies between them.
check_job_parts() { # NAME FILE PARTS
    local name=$1 file=$2 part parts sizes=() at=0 size total rest n
    IFS='+' read -ra parts <<<"$3"
    total=$(stat -c %s "$file" 2>/dev/null || echo 0)
    rest=$total
    for part in "${parts[@]}"; do
        case $part in
            page:* | paper:* | symbols:* | sha256:*) size=- ;;
            framed) size=$(framed "$FILE" | wc -c) ;;
            *) size=$(wc -w <<<"$part") ;;
        esac
        sizes+=("$size")
        [ "$size" = - ] || rest=$((rest - size))
    done
    for n in "${!parts[@]}"; do
        part=${parts[$n]}
        size=${sizes[$n]}
        [ "$size" = - ] && size=$rest
        [ ${#parts[@]} -eq 1 ] && size=$total
        tail -c +$((at + 1)) "$file" 2>/dev/null | head -c "$size" >"$E2E_TMP/part"
        at=$((at + size))
        case $part in
            page:*) check "$name is the page" page_job "$E2E_TMP/part" "$part" ;;
            paper:*) check "$name on paper, its symbols read back" paper_symbols "$E2E_TMP/part" "${part#paper:}" ;;
            sha256:*) check "$name has the expected bytes" equals "$(sha256sum <"$E2E_TMP/part" | cut -c1-64)" "${part#sha256:}" ;;
            symbols:*) check "$name is a page whose symbols read back" page_symbols "$E2E_TMP/part" "${part#symbols:}" ;;
            framed) check "$name is the framed file" cmp -s <(framed "$FILE") "$E2E_TMP/part" ;;
            *) check "$name, part $((n + 1))" equals "$(hex_of "$E2E_TMP/part")" "$part" ;;
        esac
    done
    [ ${#parts[@]} -eq 1 ] || check "$name holds its parts and nothing else" equals "$at" "$total"
}

check_saved() { # NAME CHECKS DIR QUEUE PORT
    local name=$1 item ini=$3/config.ini what
    IFS=';' read -ra items <<<"$2"
    for item in "${items[@]}"; do
        what=config.ini
        if [[ $item == user:* ]]; then
            item=${item#user:}
            ini=$USER_CONFIG
            what="the user's config.ini"
        fi
        item=${item//@Q2/"$4-b"}
        item=${item//@Q/"$4"}
        item=${item//@PORT/"$5"}
        case $item in
            -) ;;
            says:*) check "$name: says '${item#says:}'" grep -qF -- "${item#says:}" "$3/stdout" "$3/stderr" ;;
            before:* | state:* | requests:*) ;; # checked while the window was open, or in the scheduler's log
            '!says:'*) check "$name: does not say '${item#!says:}'" bash -c '! grep -qF -- "$0" "$1" "$2"' "${item#!says:}" "$3/stdout" "$3/stderr" ;;
            unchanged) check "$name: $what as it was" cmp -s "$3/config.written" "$ini" ;;
            no-user-file) check "$name: nothing in the user's folder" test ! -e "$USER_CONFIG" ;;
            keys=*) check "$name: $what has ${item#keys=} keys" equals "$(ini_key_count "$ini")" "${item#keys=}" ;;
            sections=*) check "$name: $what has ${item#sections=} section(s)" equals "$(grep -c '^\[' "$ini")" "${item#sections=}" ;;
            *) check "$name: $what has ${item%%=*}" equals "$(ini_value "$ini" "${item%%=*}")" "${item#*=}" ;;
        esac
    done
}

state_within() { # STDERR PRINTER TEXT TENTHS: the state line written within TENTHS of a second
    local ticks=$4
    until grep -aqF -- "estado da impressora: $2: $3" "$1"; do
        [ $((ticks -= 1)) -ge 0 ] || return 1
        sleep 0.1
    done
}

# Waits up to TIMEOUT seconds until the last state the program said of
# PRINTER is TEXT, pinging the window meanwhile; false when it never is, or
# the window took longer than 0.5 s to answer a ping.
wait_state() { # WINDOW PID STDERR PRINTER TEXT TIMEOUT
    local line="estado da impressora: $4: " last longest=0 ping end=$((SECONDS + $6))
    while last=$(grep -aF -- "$line" "$3" | tail -n 1); [ "$last" != "$line$5" ]; do
        [ $SECONDS -lt $end ] || { echo "         the last state: [${last#"$line"}]" >&2; return 1; }
        ping=$(window_ping_longest "$1" "$2" 1)
        [ "$ping" -le "$longest" ] || longest=$ping
    done
    [ "$longest" -le "$PING_LIMIT_MS" ] || { echo "         the window took $longest ms to answer" >&2; return 1; }
}

check_states() { # NAME CHECKS KIND(before:, state:) WINDOW PID DIR PRINTER
    local item items
    IFS=';' read -ra items <<<"$2"
    for item in "${items[@]}"; do
        [[ $item == "$3"* ]] || continue
        check "$1: the state (${3%:}) is '${item#"$3"}', the window answering" \
            wait_state "$4" "$5" "$6/stderr" "$7" "${item#"$3"}" 20
    done
}

# A visible main window other than WINDOW, within TIMEOUT seconds.
other_window() { # WINDOW TIMEOUT
    local ticks=$(($2 * 10)) window
    while [ $((ticks -= 1)) -ge 0 ]; do
        for window in $(xdotool search --all --onlyvisible --name '^Orvane$' 2>/dev/null); do
            [ "$window" != "$1" ] && window_painted "$window" && { echo "$window"; return; }
        done
        sleep 0.1
    done
}

# After a kill: the program starts again, on the scheduler itself, and
# the operator waits until the queue holds nothing before closing it.
start_again() { # NAME DIR QUEUE CUPS_DIR
    local name=$1 dir=$2 pid window ticks=150 pending
    (cd "$dir" && RUN_ENV+=(CUPS_SERVER="$CUPS_SERVER") && run_program "$dir" "${args[@]}") \
        >>"$dir/stdout.again" 2>>"$dir/stderr.again" &
    pid=$!
    E2E_PIDS+=("$pid")
    window=$(window_find '^Orvane$' 60)
    while pending=$(cups_private pending "$4" "$3" 2>/dev/null) && [ "$pending" != 0 ] &&
        [ $((ticks -= 1)) -ge 0 ]; do
        sleep 0.1
    done
    check "$name: the next start leaves nothing held within 15 s" equals "$pending" 0
    [ -n "$window" ] && window_close "$window"
    local killed=$EXIT_STATUS
    process_wait "$pid" 30
    check "$name: the next start ends as asked" equals "$EXIT_STATUS" 0
    EXIT_STATUS=$killed
    check "$name: no temporary folder of the killed run is left" \
        bash -c '! ls -d "$1"/orvane-config-* 2>/dev/null | grep -q .' _ "$dir"
}

# The requests the scheduler's access log holds after its first SKIP lines,
# up to the first Create-Job; -1 when there is none. The window follows the
# list and the state about every second while it waits for the press: those
# questions after the first pair (the window's own CUPS-Get-Printers, known
# by its size, and its state) are the operator's waiting, not the print's,
# and a loaded machine makes more.
requests_before_create_job() { # ACCESS_LOG SKIP
    tail -n +"$(($2 + 1))" "$1" |
        awk '/ Create-Job /{found=1; exit}
             / CUPS-Get-Printers / {if (size == "") size = $(NF - 2); if ($(NF - 2) == size) lists++}
             {n++}
             END{if (!found) print -1; else print n - 2 * (lists > 1 ? lists - 1 : 0)}'
}
at_most_requests() { # ACCESS_LOG SKIP LIMIT
    local count
    count=$(requests_before_create_job "$1" "$2")
    [ "$count" -ge 0 ] && [ "$count" -le "$3" ] || { echo "         $count requests before Create-Job" >&2; return 1; }
}

run_row() { # NAME FILE CONFIG ACTION JOBS BOX EXIT SAVED
    local name=$1 action=$4 queue dir port window box seen=- args=() pid pressed pinger= other_window= other_pid=
    ROW=$((ROW + 1))
    queue=$(printf 'e2e-%s-%s-%02d' "$platform" "$RUN_ID" "$ROW")
    # A config.ini as Notepad saves it names a printer with an accent.
    [[ $3 == @*:* ]] && queue+=-térmica
    dir=${RUN_IN:-$E2E_TMP/$queue}
    mkdir -p "$dir"
    [ -n "${RUN_IN:-}" ] || install_program "$dir"
    # A row whose scheduler stops has one of its own.
    local cups_dir=$ORVANE_CUPS_DIR ORVANE_CUPS_DIR=$ORVANE_CUPS_DIR
    local -x CUPS_SERVER=$CUPS_SERVER
    if [[ $action == scheduler-* ]]; then
        cups_dir=$E2E_TMP/$queue-cups
        ORVANE_CUPS_DIR=$cups_dir
        CUPS_PRIVATE_PASSWORD=$([ "$action" = scheduler-asks-password ] && echo 1) \
            cups_private start "$cups_dir" 2>/dev/null
        CUPS_SERVER=$(cups_private server "$cups_dir")
    fi
    cups_private add-queue "$cups_dir" "$queue"
    # The queue the operator chooses by keyboard, right after the row's.
    local second= receiver=$queue
    if [[ $action == keyboard || $action == queue-added ]]; then
        second=$queue-b
        receiver=$second
        [ "$action" = keyboard ] && cups_private add-queue "$cups_dir" "$second"
    fi
    printf 'conteudo antigo\n' >"$dir/porta de saida.prn"
    [ "$action" = port-fifo ] && rm -f "$dir/porta de saida.prn" && mkfifo "$dir/porta de saida.prn"
    # As config.ini holds a path: the INI format doubles a backslash.
    port=$(native_path "$dir/porta de saida.prn")
    port=${port//\\/\\\\}
    rm -rf "$dir/config.ini"
    NET_TARGET= SERIAL_LINE=
    [[ $action == net-printer* ]] && NET_TARGET=$(net_printer_start "$dir/net" ${action#net-printer})
    [[ $action == net-two-windows* ]] && NET_TARGET=$(net_printer_start "$dir/net" ${action#net-two-windows})
    if [[ $action == serial-printer* ]]; then
        NET_TARGET=$(net_printer_start "$dir/net" ${action#serial-printer})
        SERIAL_LINE=$(serial_line_start "$dir/net" "$NET_TARGET")
    fi
    write_config "$3" "$queue" "$port" "$dir/config.ini"
    [ -f "$dir/config.ini" ] && cp "$dir/config.ini" "$dir/config.written"
    FILE=
    [ "$2" = none ] || { make_file "$2" && args=("$(native_path "$FILE")"); }
    [ "$2" = relative ] && args=(relativo.txt)
    XDG=$E2E_TMP/$queue-xdg
    USER_CONFIG=$(user_config)
    rm -f "$USER_CONFIG"
    : >"$dir/stdout"
    : >"$dir/stderr"
    RUN_AS=()
    RUN_ENV=(XDG_CONFIG_HOME="$XDG")
    case $action in
        as-nobody | config-private)
            RUN_AS=("${NOBODY[@]}")
            chmod 0777 "$dir"
            chmod "$([ "$action" = as-nobody ] && echo 0666 || echo 0600)" "$dir/config.ini" ;;
        scheduler-down) RUN_ENV+=(CUPS_SERVER=127.0.0.1:1) ;;
        xdg-blocked) printf 'um arquivo no caminho\n' >"$XDG"
                     RUN_ENV=(XDG_CONFIG_HOME="$XDG") ;;
        port-read-only) chattr +i "$dir/porta de saida.prn" ;;
        tmp-tiny) mkdir -p "$dir/tmp" && mount -t tmpfs -o size=64k tmpfs "$dir/tmp"
                  RUN_ENV+=(TMPDIR="$dir/tmp") ;;
        relay\ * | kill-9\ * | kill-term\ * | two-windows\ *)
            RUN_ENV+=(CUPS_SERVER="$(relay_start "$dir" "$CUPS_SERVER" ${action#* })" TMPDIR="$dir/tmp")
            mkdir -p "$dir/tmp" ;;
        full-disk) # What the program says goes beside the folder, which has no room for it.
                   mv "$dir" "$dir.program" && mkdir "$dir" &&
                       mount -t tmpfs -o size=$(($(du -sk "$dir.program" | cut -f1) + 4096))k tmpfs "$dir" &&
                       cp -a "$dir.program/." "$dir/" && rm -rf "$dir.program"
                   mv "$dir/stdout" "$dir.stdout" && mv "$dir/stderr" "$dir.stderr"
                   ln -s "$dir.stdout" "$dir/stdout" && ln -s "$dir.stderr" "$dir/stderr"
                   head -c 32m /dev/zero >"$dir/enchimento" 2>/dev/null ;;
        pause-queue) cupsdisable -r 'bobina acabou' "$queue" ;;
        paper-out) lpadmin -p "$queue" -v "paper-out:$cups_dir/jobs/$queue" && echo cupom | lp -d "$queue" >/dev/null ;;
        held-job) echo antigo | lp -d "$queue" -H indefinite >/dev/null ;;
        scheduler-stopped) kill -STOP "$(cat "$cups_dir/pid")" ;;
    esac
    # Immutable: not even root may change them.
    [[ $action == read-only-folder || $action == xdg-blocked ]] && chattr +i "$dir" "$dir/config.ini"

    # The printer the window chooses: the saved one, or the row's queue.
    local printer=$queue
    [[ ";$3" =~ \;impressora=([^;]*) ]] && printer=${BASH_REMATCH[1]//@Q/$queue}
    # The network printer's own status is said under its address, the
    # serial one's under the field's text.
    [ -n "$NET_TARGET" ] && printer=$NET_TARGET
    [ -n "$SERIAL_LINE" ] && [[ ";$3" =~ \;escrita_direta=([^;]*) ]] && printer=${BASH_REMATCH[1]//@TTY/$SERIAL_LINE}

    window_wait_gone '^(Orvane|ARQUIVO|IMPRESSORA)$' 10
    local access_log=$cups_dir/log/access_log access_start
    access_start=$(wc -l <"$access_log" 2>/dev/null || echo 0)
    local started=$(date +%s%N)
    if [ "$action" = pipe-unread ]; then
        # Held open here, read by nobody.
        mkfifo "$dir/saida"
        exec 7<>"$dir/saida"
        (cd "$dir" && run_program "$dir" "${args[@]}") >"$dir/saida" 2>"$dir/saida" &
    elif [ "$action" = scheduler-asks-password ]; then
        # On a terminal of its own, as a till's console gives it; the
        # terminal's settings are read before and after the program.
        # The keyboard stays open and silent, as a till's does.
        printf '%s\n' 'stty -g >tty.before; "$@"; status=$?; stty -g >tty.after; exit $status' >"$dir/on-tty.sh"
        mkfifo "$dir/keys"
        exec 8<>"$dir/keys"
        (cd "$dir" && script -qec "$(printf '%q ' bash on-tty.sh env "${RUN_ENV[@]}" "$dir/orvane" "${args[@]}")" \
            /dev/null) <"$dir/keys" >>"$dir/stdout" 2>>"$dir/stderr" &
    else
        (cd "$dir" && run_program "$dir" "${args[@]}") >>"$dir/stdout" 2>>"$dir/stderr" &
    fi
    pid=$!
    E2E_PIDS+=("$pid")
    window=$(window_find '^(Orvane|ARQUIVO)$' 60)
    if [ "$action" = scheduler-stopped ]; then
        check "$name: the window within 15 s" test $((($(date +%s%N) - started) / 1000000)) -le 15000
        # The state itself is due 2 s after the question, about when the
        # window shows: 3 s is room for a loaded machine.
        check "$name: the silent scheduler named within 3 s of the window" \
            state_within "$dir/stderr" "$printer" 'servidor de impressão não responde' 30
    fi
    if [ -n "$window" ] && [ "$(xdotool getwindowname "$window")" = Orvane ]; then
        [ "$ROW" -eq 1 ] && window_screenshot "$E2E_WORK/$platform-window.png" && echo "screenshot: $E2E_WORK/$platform-window.png"
        check_states "$name" "$8" before: "$window" "$pid" "$dir" "$printer"
        case $action in
            delete-queue) lpadmin -x "$queue" ;;
            reject-queue) cupsreject "$queue" ;;
            reject-reason) cupsreject -r 'Em manutencao' "$queue" ;;
            # Listed within a few seconds.
            queue-added) cups_private add-queue "$cups_dir" "$second"; sleep 3 ;;
            disable-queue) cupsdisable "$queue" ;;
            scheduler-stops) cups_private stop "$cups_dir" 2>/dev/null ;;
            scheduler-hangs | scheduler-slow) kill -STOP "$(cat "$cups_dir/pid")" ;;
            retry) cupsreject "$queue" ;;
            two-windows\ * | net-two-windows*)
                mkdir -p "$dir-2" && install_program "$dir-2" && cp "$dir/config.ini" "$dir-2/"
                (cd "$dir-2" && run_program "$dir-2" "${args[@]}") >"$dir-2/stdout" 2>"$dir-2/stderr" &
                other_pid=$!
                E2E_PIDS+=("$other_pid")
                other_window=$(other_window "$window" 60) ;;
            pause-resume) cupsdisable -r 'troca de bobina' "$queue"
                          wait_state "$window" "$pid" "$dir/stderr" "$queue" 'pausada: troca de bobina' 20
                          cupsenable "$queue" ;;
        esac
        check_states "$name" "$8" state: "$window" "$pid" "$dir" "$printer"
        pressed=$(date +%s%N)
        case $action in
            keyboard | queue-added) xdotool windowfocus --sync "$window" key shift+Tab Down Return ;;
            scheduler-stopped) window_close "$window"
                               for _ in $(seq 100); do process_running "$pid" || break; sleep 0.05; done
                               check "$name: gone within 2 s of the close" \
                                   test $((($(date +%s%N) - pressed) / 1000000)) -le 2000
                               kill -CONT "$(cat "$cups_dir/pid")" ;;
            *) window_press_return "$window" ;;
        esac
        [ -n "$other_window" ] && sleep 0.3 && window_press_return "$other_window"
        case $action in
            press-* | scheduler-hangs | scheduler-slow)
                window_ping_longest "$window" "$pid" 120 >"$dir/ping" &
                pinger=$! ;;
        esac
        case $action in
            press-twice) sleep 1; xdotool key Return; xdotool key space ;;
            kill-9\ *) sleep 3; kill -KILL "$pid" ;;
            kill-term\ *) sleep 3; kill -TERM "$pid" ;;
            scheduler-slow) sleep 1; xdotool key Return; xdotool key space; sleep 2
                            kill -CONT "$(cat "$cups_dir/pid")" ;;
        esac
        [[ $action == kill-* ]] && process_wait "$pid" 10
        box=$(window_box_or_exit "$pid" IMPRESSORA 180)
        if [ -n "$box" ]; then
            seen=IMPRESSORA
            if [ "$action" = scheduler-hangs ]; then
                check "$name: the box within 15 s" test $((($(date +%s%N) - pressed) / 1000000)) -le 15000
                # Awake again, the scheduler must find nothing left to print.
                kill -CONT "$(cat "$cups_dir/pid")"
                sleep 3
            fi
            # No password is asked for: the failure comes at once (today's
            # bound leaves room for a loaded machine).
            [ "$action" = scheduler-asks-password ] &&
                check "$name: the box within 5 s" test $((($(date +%s%N) - pressed) / 1000000)) -le 5000
            window_press_return "$box"
            # The box goes first: a window that a box still blocks takes no
            # close, and a loaded machine may take a while over the key.
            for _ in $(seq 300); do window_shown "$box" || break; sleep 0.1; done
            sleep 0.3
            check "$name: the window stays after the message" window_shown "$window"
            if [ "$action" = retry ]; then
                cupsaccept "$queue"
                window_press_return "$window"
            else
                window_close "$window"
            fi
        fi
    elif [ -n "$window" ]; then
        seen=ARQUIVO
        check "$name: the main window is not shown" bash -c '[ -z "$(xdotool search --onlyvisible --name "^Orvane\$")" ]'
        window_press_return "$window"
    else
        echo "$name: no window within 60 s; those shown:"
        window_list
    fi
    process_wait "$pid" 180
    if [ -n "$other_pid" ]; then
        local first_status=$EXIT_STATUS
        process_wait "$other_pid" 180
        check "$name: the second window printed and ended" equals "$EXIT_STATUS" 0
        EXIT_STATUS=$first_status
    fi
    [[ $action == kill-* ]] && start_again "$name" "$dir" "$queue" "$cups_dir"
    if [ -n "$pinger" ]; then
        wait "$pinger"
        check "$name: the window answered the window manager within $PING_LIMIT_MS ms of a plain window" \
            test "$(cat "$dir/ping")" -le "$PING_LIMIT_MS"
    fi
    [ "$action" = pipe-unread ] && exec 7<&-
    [ "$action" = scheduler-asks-password ] && exec 8<&-
    relay_stop "$dir"
    [ "$action" = tmp-tiny ] && umount "$dir/tmp"
    chattr -i "$dir" "$dir/config.ini" "$dir/porta de saida.prn" 2>/dev/null
    case $action in
        disable-queue | pause-queue) check "$name: the job waits" equals "$(cups_private pending "$cups_dir" "$queue")" 1
                       cupsenable "$queue" ;;
        paper-out) check "$name: the jobs wait" equals "$(cups_private pending "$cups_dir" "$queue")" 2
                   cancel -a "$queue" ;;
        held-job) cancel -a "$queue" ;;
        # Back up, it tells what it holds.
        scheduler-stops) cups_private start "$cups_dir" 2>/dev/null && CUPS_SERVER=$(cups_private server "$cups_dir") ;;
        port-fifo) rm -f "$dir/porta de saida.prn" ;;
        scheduler-asks-password)
            check "$name: the terminal's settings untouched" \
                bash -c '[ -s "$0/tty.before" ] && cmp -s "$0/tty.before" "$0/tty.after"' "$dir" ;;
    esac

    local box_right exit_right
    check "$name: message box" equals "$seen" "$6"
    box_right=$?
    check "$name: exit status" equals "$EXIT_STATUS" "$7"
    exit_right=$?
    if [ "$box_right" -ne 0 ] || [ "$exit_right" -ne 0 ]; then
        # What the program said, for the one who reads the failure.
        tail -c 600 "$dir/stdout" 2>/dev/null | cat -v | sed 's/^/         stdout: /'
        tail -n 5 "$dir/stderr" 2>/dev/null | cat -v | sed 's/^/         stderr: /'
    fi
    # The printer sees the line's connection end, and files it.
    [ -n "$SERIAL_LINE" ] && serial_line_stop "$dir/net" && sleep 0.5
    [ -n "$NET_TARGET" ] && net_printer_stop "$dir/net"
    check_output "$name" "$5" "$receiver" "$dir/porta de saida.prn" ${NET_TARGET:+"$dir/net"}
    [ -z "$second" ] || check "$name: nothing on the queue first chosen" equals "$(job_count "$queue")" 0
    check_saved "$name" "$8" "$dir" "$queue" "$port"
    # Each thing asked of the scheduler once per print, whatever the road
    # (wine's spooler asks as it likes).
    [ "$platform" = linux ] && [[ ";$8;" =~ \;requests:([0-9]+)\; ]] &&
        check "$name: at most ${BASH_REMATCH[1]} requests from the start to Create-Job" \
            at_most_requests "$access_log" "$access_start" "${BASH_REMATCH[1]}"
    [ "$action" = full-disk ] && umount "$dir"
    case $action in
        delete-queue) ;;
        scheduler-*) cups_private stop "$cups_dir" 2>/dev/null ;;
        *) lpadmin -x "$queue" ;;
    esac
    [ -z "$second" ] || lpadmin -x "$second"
}

run_rows() { # ON: "installed", or the rows of this platform and of both
    local name on file config action jobs box status saved
    while IFS='|' read -r name on file config action jobs box status saved; do
        name=$(trim "$name")
        on=$(trim "$on")
        case $on in
            *,heavy) [ -z "${ORVANE_E2E_LIGHT:-}" ] || continue ;;
            *,once) [ -z "${ORVANE_E2E_REPEAT:-}" ] || continue ;;
        esac
        on=${on%,*}
        [ -n "$name" ] && { [ "$on" = "$1" ] || [ "$on" = both -a "$1" != installed ]; } || continue
        [ -z "${ORVANE_E2E_ROWS:-}" ] || [[ $name =~ $ORVANE_E2E_ROWS ]] || continue
        run_row "$name" "$(trim "$file")" "$(trim "$config")" "$(trim "$action")" "$(trim "$jobs")" \
            "$(trim "$box")" "$(trim "$status")" "$(trim "$saved")"
    done <<<"$TABLE"
}

NOBODY=(setpriv --reuid=65534 --regid=65534 --clear-groups)
RELAY=$(cd "$(dirname "$0")/../fixtures" && pwd)/cups-relay.py

# A slow link in front of the scheduler; prints its 127.0.0.1:PORT.
relay_start() { # DIR SERVER OPTIONS...
    local dir=$1 server=$2 ticks=100
    shift 2
    rm -f "$dir/relay.port"
    python3 "$RELAY" --to "$server" --port-file "$dir/relay.port" "$@" >"$dir/relay.log" 2>&1 &
    echo $! >"$dir/relay.pid"
    E2E_PIDS+=($!)
    while [ ! -s "$dir/relay.port" ] && [ $((ticks -= 1)) -ge 0 ]; do sleep 0.1; done
    echo "127.0.0.1:$(cat "$dir/relay.port")"
}
# The row's own network receipt printer; prints its tcp://127.0.0.1:PORT.
NET_PRINTER=$(cd "$(dirname "$0")/../fixtures" && pwd)/net-printer.py
net_printer_start() { # DIR OPTIONS...
    local dir=$1 ticks=100
    shift
    rm -rf "$dir" && mkdir -p "$dir"
    python3 "$NET_PRINTER" "$dir" --lifetime 300 "$@" >"$dir.log" 2>&1 &
    echo $! >"$dir.pid"
    E2E_PIDS+=($!)
    while [ ! -s "$dir/port" ] && [ $((ticks -= 1)) -ge 0 ]; do sleep 0.1; done
    echo "tcp://127.0.0.1:$(cat "$dir/port")"
}
# A pty joined to the network printer by socat; prints the path of its
# terminal side, left in the kernel's default mode.
serial_line_start() { # DIR tcp://HOST:PORT
    local ticks=100
    socat PTY,link="$1/tty" "TCP:${2#tcp://}" >"$1.socat.log" 2>&1 &
    echo $! >"$1.socat.pid"
    while [ ! -e "$1/tty" ] && [ $((ticks -= 1)) -ge 0 ]; do sleep 0.1; done
    echo "$1/tty"
}
serial_line_stop() { # DIR
    [ -f "$1.socat.pid" ] && kill "$(cat "$1.socat.pid")" 2>/dev/null
    rm -f "$1.socat.pid"
}
# The N-th connection that carried more than status questions.
net_connection() { # DIR N
    find "$1" -name 'conn-*.bin' 2>/dev/null | sort -V | sed -n "${2}p"
}
net_printer_stop() { # DIR
    [ -f "$1.pid" ] && kill "$(cat "$1.pid")" 2>/dev/null
    rm -f "$1.pid"
}
relay_stop() { # DIR
    [ -f "$1/relay.pid" ] && kill "$(cat "$1/relay.pid")" 2>/dev/null
    rm -f "$1/relay.pid"
}
# How long a window manager may wait for the window to answer its ping. A
# build with the sanitizers runs several times slower: it sets a longer one.
PING_LIMIT_MS=${ORVANE_E2E_PING_LIMIT_MS:-500}
# A plain Qt window, pinged with the program's: a busy machine slows both.
if [ -x "${ORVANE_PLAIN_WINDOW:-}" ]; then
    "$ORVANE_PLAIN_WINDOW" >/dev/null 2>&1 &
    E2E_PIDS+=($!)
    PING_REFERENCE=$(window_find '^orvane-ping-reference$' 30)
    check "a plain window to measure the program's answers against" test -n "$PING_REFERENCE"
fi
# Queue names of this run only: the capture folders outlive their queues.
RUN_ID=${E2E_TMP##*.}
ROW=0
if [ "${3:-}" = installed ]; then
    RUN_IN=$(dirname "$program") run_rows installed
    checks_summary
    exit
fi
run_rows "$platform"

# The installer: silent, per user; the installed program runs the rows
# marked "installed"; the uninstaller takes the program and keeps config.ini.
if [ "$platform" = windows ]; then
    setup=$(ls "$program"/../orvane-*-setup.exe 2>/dev/null | head -n 1)
    user=$WINEPREFIX/drive_c/users/$(id -un)
    installed=$user/AppData/Local/Programs/Orvane
    menu=$user/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs
    timeout 120 wine "$setup" /S && timeout 60 wineserver -w
    check "installer: the program in %LOCALAPPDATA%\\Programs\\Orvane" test -f "$installed/orvane.exe"
    check "installer: its plugins beside it" test -f "$installed/platforms/qwindows.dll"
    check "installer: a Start-menu entry" test -f "$menu/Orvane.lnk"
    RUN_IN=$installed run_rows installed
    # While the program runs, the uninstaller removes nothing.
    make_file lines
    wine "$installed/orvane.exe" "$(native_path "$FILE")" >/dev/null 2>&1 &
    running=$!
    window=$(window_find '^Orvane$' 60)
    timeout 120 wine "$installed/uninstall.exe" /S _?="$(native_path "$installed")"
    check "uninstaller while the program runs: fails" test $? -ne 0
    check "uninstaller while the program runs: nothing removed" test -f "$installed/orvane.exe" -a -f "$installed/uninstall.exe" -a -f "$installed/platforms/qwindows.dll" -a -f "$menu/Orvane.lnk"
    [ -n "$window" ] && window_close "$window"
    process_wait "$running" 60
    timeout 120 wine "$installed/uninstall.exe" /S && timeout 60 wineserver -w
    check "uninstaller: the program and its menu entry are gone" test ! -e "$installed/orvane.exe" -a ! -e "$installed/platforms" -a ! -e "$menu/Orvane.lnk"
    check "uninstaller: config.ini is kept" test -f "$installed/config.ini"
    timeout 120 wine "$setup" /S && timeout 60 wineserver -w
    timeout 120 wine "$installed/uninstall.exe" /S /REMOVERCONFIG && timeout 60 wineserver -w
    check "uninstaller /REMOVERCONFIG: config.ini goes too" test ! -e "$installed/config.ini" -a ! -e "$installed/orvane.exe"
fi

checks_summary
