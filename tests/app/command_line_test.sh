#!/usr/bin/env bash
# Runs the built program with its command-line options, with no display at all:
# --help and --version print and end, an unknown option is refused with status 2,
# and none of them opens or creates a register; --export and --import work without a
# window, --import makes the register as the first start does, --export never does.
set -u
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The user's own settings (the reminders' owner) are never read or written.
export XDG_CONFIG_HOME="$work/.config"
failed=0
check() { # what, expected status, expected text in the output, command...
    local what=$1 status=$2 text=$3
    shift 3
    local out got=0
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" 2>&1) || got=$?
    if [ "$got" -ne "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAILED: $what: status $got, output:"
        echo "$out"
        failed=1
    fi
}
check "--help" 0 "Použití: ordisk" "$program" --help
check "-h" 0 "~/Ordisk/db1.zaz" "$program" -h
check "--version" 0 "Ordisk $2" "$program" --version
check "-v" 0 "Ordisk $2" "$program" -v
check "unknown option" 2 "neznámá volba „--bogus“" "$program" --bogus
check "--export without a list" 2 "u volby --export chybí, co vyvézt (cd, lide, vypujcky, nevracenecd, dlouho, nikdy, kdoco, upominky nebo prehled)" "$program" --export
check "argument" 2 "nečekaný argument „soubor.zaz“" "$program" soubor.zaz
check "--import without a file" 2 "--import potřebuje soubor" "$program" --import cd
check "--dry-run alone" 2 "--dry-run patří k volbě --import" "$program" --dry-run
check "--restore without a file" 2 "--restore potřebuje soubor zálohy" "$program" --restore
check "--export and --import" 2 "nejdou spolu" "$program" --export cd --import lide x.csv
check "--backup without a register" 1 "evidence $work/db1.zaz neexistuje; není co zálohovat" "$program" --backup
# The manual's text as its window in the built program shows it (its page is a resource the
# linker drops unless the program refers to it).
check "the manual's text" 0 "Nabídka Soubor" "$program" -platform offscreen --print-manual
check "two files" 2 "nečekaný argument „b.csv“" "$program" --export cd a.csv b.csv
check "--export without a register" 1 "evidence $work/db1.zaz neexistuje; nic nebylo vyvezeno" "$program" --export cd
check "--home --export without a register" 1 "evidence $work/Ordisk/db1.zaz neexistuje" \
    env HOME="$work" "$program" --home --export cd
[ -e Ordisk ] && { echo "FAILED: an export made ~/Ordisk"; failed=1; }
if [ -n "$(ls -A)" ]; then
    echo "FAILED: files were created: $(ls -A)"
    failed=1
fi
printf 'nazev;pocetdisku;typdisku;typobsahu\nKytice;1;CD;Hudba\nBabička;2;dvd;Data\n' >disky.csv
printf 'jmeno;prijmeni\nEva;Malá\n' >lide0.csv
printf 'nazev;pocetdisku;typdisku;typobsahu\nA;1;CD;Hudba\nB;dva;CD;Data\n' >chyba.csv
check "--import --dry-run without a register" 0 "disků k přidání: 2" "$program" --import cd disky.csv --dry-run
[ -e db1.zaz ] && { echo "FAILED: a dry run made a register"; failed=1; }
check "--import of a refused row" 1 "chyba.csv, řádek 3 („B“): Počet disků musí být číslo (je tam „dva“)" "$program" --import cd chyba.csv
[ -e db1.zaz ] && { echo "FAILED: a refused import left a register behind"; failed=1; }
check "--import makes the register" 0 "Přidáno disků: 2 ($work/db1.zaz; soubor v kódování UTF-8)." "$program" --import cd disky.csv
# Every export is the same bytes under a Czech locale as under C (a workbook's parts, the
# time it was made aside): a decimal comma in a column's width makes Excel refuse an .xlsx.
if locale -a | grep -qix 'cs_CZ\.utf8'; then
    for kind in csv xlsx ods; do
        LC_ALL=C "$program" --export cd "c.$kind" >/dev/null
        LC_ALL=cs_CZ.UTF-8 "$program" --export cd "cs.$kind" >/dev/null
        if [ "$kind" = csv ]; then
            cmp -s c.csv cs.csv || { echo "FAILED: the CSV export differs under cs_CZ.UTF-8"; failed=1; }
            continue
        fi
        for part in $(unzip -Z1 "c.$kind"); do
            case "$part" in docProps/core.xml | meta.xml) continue ;; esac
            pattern=${part//[/\\[} # unzip reads [ as a wildcard
            pattern=${pattern//]/\\]}
            cmp -s <(unzip -p "c.$kind" "$pattern") <(unzip -p "cs.$kind" "$pattern") ||
                { echo "FAILED: $part of the .$kind export differs under cs_CZ.UTF-8"; failed=1; }
        done
        grep -q 'width="[0-9]*,' <(unzip -p "cs.$kind" xl/worksheets/sheet1.xml 2>/dev/null) &&
            { echo "FAILED: a decimal comma in the .xlsx sheet"; failed=1; }
    done
    rm -f c.* cs.*
else
    echo "FAILED: no cs_CZ.UTF-8 locale (tools/setup.sh makes it)"; failed=1
fi
{ echo "nazev;pocetdisku;typdisku;typobsahu"; for i in $(seq 25); do echo "D$i;x;CD;Data"; done; } >mnoho.csv
check "--import of 25 refused rows" 1 "… a dalších odmítnutých řádků: 5." "$program" --import cd mnoho.csv
check "--import lists the first 20" 1 "mnoho.csv, řádek 21 („D20“): Počet" "$program" --import cd mnoho.csv
check "--export to standard output" 0 "2;Babička;2;DVD;Data;;Ne;Ne" "$program" --export cd
check "--export to a file" 0 "Zapsáno do vypujcky.csv z evidence $work/db1.zaz." \
    "$program" --export vypujcky vypujcky.csv
check "--export to -" 0 "2;Babička;2;DVD;Data;;Ne;Ne" "$program" --export cd -
# Workbooks out and in again, the owner's only; an old Excel's file refused in one line.
for kind in xlsx ods; do
    check "--export to .$kind" 0 "Zapsáno do disky.$kind" "$program" --export cd "disky.$kind"
    [ "$(stat -c %a "disky.$kind")" = 600 ] || { echo "FAILED: disky.$kind is not the owner's only"; failed=1; }
    mkdir -p "$kind"
    check "--import of .$kind" 0 "Přidáno disků: 2" sh -c 'cd "$0" && exec "$1" --import cd "../disky.$0"' "$kind" "$program"
done
[ "$(stat -c %a vypujcky.csv)" = 600 ] || { echo "FAILED: vypujcky.csv is not the owner's only"; failed=1; }
printf '\320\317\021\340\241\261\032\341' >stary.xls
check "--import of an .xls" 1 "Soubor je sešit starého Excelu (.xls); uložte list jako .xlsx, .ods nebo CSV." \
    "$program" --import cd stary.xls
"$program" --export cd zpet.csv >/dev/null
check "--import of its own export" 1 "přidat je znovu lze volbou --allow-duplicates" "$program" --import cd zpet.csv
check "--dry-run of its own export" 1 "zpet.csv: Soubor obsahuje 2 disky, které už v evidenci jsou (podle ID a názvu)" \
    "$program" --import cd zpet.csv --dry-run
check "--allow-duplicates without --import" 2 "--allow-duplicates patří k volbě --import" \
    "$program" --export cd --allow-duplicates
printf 'Název;Interpret;Počet disků;Typ disku;Typ obsahu;Cena\nJiná tvář;Zrní;1;CD;Hudba;300\n' >vlastni.csv
check "--import of columns of one's own" 1 "lze volbou --ignore-columns" "$program" --import cd vlastni.csv
check "--import --ignore-columns" 0 "Tyto sloupce se neuloží: Interpret, Cena." \
    "$program" --import cd vlastni.csv --ignore-columns --dry-run
check "--import from -" 0 "disků k přidání: 2" \
    sh -c "\"\$0\" --import cd - --dry-run --allow-duplicates <disky.csv" "$program"
grep -q "ID výpůjčky;Datum půjčení" vypujcky.csv || { echo "FAILED: vypujcky.csv"; failed=1; }
# The refused imports above copied the register first (once: it did not change between them).
[ "$(ls zalohy | wc -l)" = 1 ] || { echo "FAILED: copies before the imports: $(ls zalohy)"; failed=1; }
check "--import of the same list again" 1 "(se stejnými hodnotami ve všech sloupcích souboru); přidat je znovu?" \
    "$program" --import cd disky.csv
check "--import after the copy" 0 "Přidáno disků: 2" "$program" --import cd disky.csv --allow-duplicates
check "--backup into a file" 0 "zálohována do $work/kopie.zaz (disků: 4, lidí: 0, výpůjček: 0)" \
    "$program" --backup kopie.zaz
check "--backup over a file" 1 "soubor už existuje" "$program" --backup kopie.zaz
check "--backup" 0 "zálohována do $work/zalohy/db1-" "$program" --backup
check "--backup with no change" 0 "nová nebyla třeba" "$program" --backup
check "--import when the newest copy holds the register" 0 "Přidáno lidí: 1" "$program" --import lide lide0.csv
check "--import makes a copy first" 0 "Evidence před přidáním je zálohována v $work/zalohy/db1-" \
    "$program" --import lide lide0.csv --allow-duplicates
"$program" --export lide zpet.csv >/dev/null
check "--import --allow-duplicates" 0 "Přidáno lidí: 2" "$program" --import lide zpet.csv --allow-duplicates
[ "$(stat -c %a zalohy)" = 700 ] || { echo "FAILED: zalohy/ is not the owner's only"; failed=1; }
copy=$(ls zalohy/db1-*.zaz | head -1)
check "--restore" 0 "obnovena ze souboru $copy" "$program" --restore "$copy"
check "--restore keeps the register before" 0 "Dosavadní evidence je uložena jako $work/zalohy/db1-" \
    "$program" --restore "$copy"
check "--restore of no register" 1 "není databází programu Ordisk" "$program" --restore disky.csv
# A restore killed at any moment leaves the register before it or the one restored, whole.
# The moments are spread over a restore's length as measured here and now, so that a slow or
# busy machine is killed within its restores as an idle one is, not before they begin.
cp db1.zaz pred.zaz
old_sum=$(sha256sum <pred.zaz) new_sum=$(sha256sum <"$copy")
began=$(date +%s%N)
"$program" --restore "$copy" >/dev/null 2>&1
restore_ms=$((($(date +%s%N) - began) / 1000000 + 1))
for i in $(seq 25); do
    cp pred.zaz db1.zaz
    "$program" --restore "$copy" >/dev/null 2>&1 &
    sleep "$(LC_ALL=C awk -v ms=$((RANDOM % (restore_ms + restore_ms / 5))) 'BEGIN { printf "%.3f", ms / 1000 }')"
    kill -9 $! 2>/dev/null
    wait $! 2>/dev/null
    sum=$(sha256sum <db1.zaz)
    if [ "$sum" != "$old_sum" ] && [ "$sum" != "$new_sum" ]; then
        echo "FAILED: a killed restore left a register that is neither"; failed=1
    fi
    [ "$(sqlite3 db1.zaz 'PRAGMA quick_check')" = ok ] || { echo "FAILED: a killed restore left damage"; failed=1; }
done
for name in seznam.HTML seznam.xls seznam.docx seznam.ps; do
    check "--export to $name" 1 "formát .$(tr A-Z a-z <<<"${name#*.}") program nezapisuje" "$program" --export cd "$name"
    [ -e "$name" ] && { echo "FAILED: --export wrote $name"; failed=1; }
done
check "--export to .txt" 0 "Zapsáno do seznam.txt" "$program" --export cd seznam.txt
check "--export to a name with a number" 0 "Zapsáno do seznam.2026" "$program" --export cd seznam.2026
check "--export of no list" 1 "vyvézt lze jen cd, lide, vypujcky, nevracenecd, dlouho, nikdy, kdoco, upominky, prehled" "$program" --export pujcovani
# The lists as PDF: A4 pages whose text (the font embedded) reads back in Czech. Eva has two
# discs out 45 and 31 days and one returned; Petr one out 30 days, a day within 30.
sqlite3 db1.zaz "INSERT INTO lide (idcloveka, jmeno, prijmeni, telefon) VALUES (71, 'Eva', 'Dvořáková & <spol.>', '777 123 456'),
                     (72, 'Petr', 'Šťastný', NULL);
  INSERT INTO cd (idcd, nazev, pocetdisku, typdisku, typobsahu, original) VALUES (91, 'Žluťoučký kůň', 1, 'CD', 'Hudba', 1),
                     (92, 'Vltava', 2, 'DVD', 'Filmy', 0), (93, 'Ódy a balady', 1, 'CD', 'Hudba', 0);
  INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno, datumvraceni) VALUES
    (date('now', '-45 days'), 91, 71, 0, NULL), (date('now', '-31 days'), 92, 71, 0, NULL),
    (date('now', '-60 days'), 93, 71, 1, date('now', '-50 days')), (date('now', '-30 days'), 93, 72, 0, NULL);"
pdf_has() { # what, file, pages, orientation (portrait or landscape), texts...
    local what=$1 file=$2 pages=$3 orientation=$4 size text
    shift 4
    size=$([ "$orientation" = portrait ] && echo "595 x 842" || echo "842 x 595")
    if ! pdfinfo "$file" 2>/dev/null | grep -q "^Pages: *$pages$" ||
        ! pdfinfo "$file" | grep -q "^Page size: *$size pts (A4)"; then
        echo "FAILED: $what: not $pages A4 pages ($orientation):"; pdfinfo "$file"; failed=1; return
    fi
    for text in "$@"; do
        pdftotext -layout "$file" - | grep -qF -- "$text" || { echo "FAILED: $what: no „$text“ in the PDF"; failed=1; }
    done
}
today=$(date +%d.%m.%Y)
check "--export cd to PDF" 0 "Zapsáno do seznam.pdf" "$program" --export cd seznam.pdf
pdf_has "discs" seznam.pdf 1 landscape "Seznam CD" "Počet: 5" "Žluťoučký kůň" "Originál" "Ano" "Strana 1 z 1" \
    "Vytištěno $today"
LC_ALL=cs_CZ.UTF-8 "$program" --export lide LIDE.PDF >/dev/null
pdf_has "people" LIDE.PDF 1 portrait "Seznam lidí" "Dvořáková &" "<spol.>" "Šťastný" "777 123 456"
"$program" --export vypujcky historie.pdf >/dev/null
pdf_has "every loan" historie.pdf 1 landscape "Historie půjčování" "Počet: 4" "Ódy a balady" \
    "$(date -d '-50 days' +%d.%m.%Y)"
"$program" --export nevracenecd nevracena.pdf >/dev/null
pdf_has "discs out" nevracena.pdf 1 portrait "Nevrácená CD" "Počet: 3"
check "--export dlouho" 0 "Zapsáno do dlouho.pdf" "$program" --export dlouho dlouho.pdf
pdf_has "lent too long, grouped by borrower" dlouho.pdf 1 portrait "Dlouho půjčená CD (déle než 30 dní)" \
    "Eva Dvořáková & <spol.>" "777 123 456" "Půjčeno: 2" "45" "31" "Strana 1 z 1"
pdftotext dlouho.pdf - | grep -q "Šťastný" && { echo "FAILED: a loan out 30 days is lent too long at 30"; failed=1; }
check "--export dlouho --dni 29" 0 "Vltava" "$program" --export dlouho --dni 29
check "--export dlouho --dni 29 has Petr" 0 "Šťastný" "$program" --export dlouho --dni 29
check "--export dlouho --dni 45" 0 "Zapsáno" "$program" --export dlouho --dni 45 dlouho45.csv
[ "$(wc -l <dlouho45.csv)" -eq 1 ] || { echo "FAILED: a loan out 45 days is too long at 45"; failed=1; }
for kind in ods xlsx; do
    check "--export dlouho to .$kind" 0 "Zapsáno do dlouho.$kind" "$program" --export dlouho "dlouho.$kind"
    unzip -p "dlouho.$kind" | grep -q "Žluťoučký kůň" || { echo "FAILED: no disc in dlouho.$kind"; failed=1; }
done
check "--dni with another list" 2 "--dni patří k volbě --export dlouho nebo --export upominky" "$program" --export cd --dni 3
for days in -1 abc 1.5 36501 ""; do
    check "--dni $days" 2 "--dni chce celý počet dní od 0 do 36500" "$program" --export dlouho --dni "$days"
done
check "--dni twice" 2 "volba --dni je zadána víckrát" "$program" --export dlouho --dni 3 --dni 40 dvakrat.csv
check "--export twice" 2 "volba --export je zadána víckrát" "$program" --export cd --export lide dvakrat.csv
[ -e dvakrat.csv ] && { echo "FAILED: an option given twice wrote a file"; failed=1; }
# Reminders: a page for Eva, none for Petr (a day within 30 days); the owner's lines from the
# settings the window keeps.
mkdir -p .config/Ordisk
printf '[upominky]\njmeno=Jan Sběratel\nmisto=V Brně\n' >.config/Ordisk/Ordisk.conf
check "--export upominky" 0 "Zapsáno do upominky.pdf" "$program" --export upominky upominky.pdf
pdf_has "reminders" upominky.pdf 1 portrait "Jan Sběratel" "V Brně $(LC_ALL=C date +%-d). " "Eva Dvořáková & <spol.>" \
    "Dobrý den," "tyto disky:" "Žluťoučký kůň" "S pozdravem"
"$program" --export upominky --dni 29 upominky29.pdf >/dev/null
pdf_has "reminders at 29 days" upominky29.pdf 2 portrait "Petr Šťastný" "tento disk:"
# A borrower with no name gets no letter, and is said to have got none.
sqlite3 db1.zaz "INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (79, ' ', NULL);
  INSERT INTO pujcovani (idvypujcky, datumpujceni, idcd, idcloveka, vraceno) VALUES (799, date('now', '-60 days'), 93, 79, 0)"
check "--export upominky with a nameless borrower" 0 "Lidé bez jména upomínku nedostali, není komu ji adresovat (počet: 1)" \
    "$program" --export upominky bezejmena.pdf
pdf_has "reminders, the nameless left out" bezejmena.pdf 1 portrait "Eva Dvořáková & <spol.>"
sqlite3 db1.zaz "DELETE FROM pujcovani WHERE idvypujcky = 799; DELETE FROM lide WHERE idcloveka = 79"
check "--export upominky to CSV" 1 "upomínky se zapisují jen jako stránky PDF" "$program" --export upominky u.csv
check "--export upominky when nobody is late" 1 "Nikdo nemá CD půjčené déle než 100 dní" \
    "$program" --export upominky --dni 100 nikdo.pdf
check "--export kdoco" 0 "Zapsáno do kdoco.pdf" "$program" --export kdoco kdoco.pdf
pdf_has "who has what" kdoco.pdf 1 portrait "Kdo má co půjčeno" "Eva Dvořáková & <spol.>" "Půjčeno: "
check "--export kdoco as CSV" 1 "seznam „Kdo má co půjčeno“ se zapisuje jen jako stránky PDF" "$program" --export kdoco kdoco.csv
check "--export prehled" 0 "Zapsáno do prehled.pdf" "$program" --export prehled prehled.pdf
pdf_has "overview" prehled.pdf 1 portrait "Přehled půjčování" "Stav k $today" "Nejčastěji půjčované disky" \
    "Disků nikdy nepůjčených" "Medián"
[ -e u.csv ] || [ -e nikdo.pdf ] && { echo "FAILED: a refused report left a file"; failed=1; }
# A list is never written over the register, whatever the name or link it is reached by.
ln -s db1.zaz odkaz.pdf
ln -s db1.zaz odkaz.csv
ln db1.zaz tvrdy.txt
before=$(sha256sum <db1.zaz)
for name in odkaz.pdf odkaz.csv tvrdy.txt; do
    check "--export over the register ($name)" 1 "nelze seznam uložit" "$program" --export cd "$name"
done
[ "$(sha256sum <db1.zaz)" = "$before" ] || { echo "FAILED: an export wrote over the register"; failed=1; }
rm odkaz.pdf odkaz.csv tvrdy.txt
# Nor over a journal the register does not have yet, a device or a pipe: each would be
# replaced by a file, or the list lost into it.
ln -s db1.zaz-journal denik.pdf
mkfifo roura.pdf
for name in denik.pdf roura.pdf /dev/null; do
    check "--export to $name" 1 "nelze seznam uložit" "$program" --export cd "$name"
done
[ -e db1.zaz-journal ] && { echo "FAILED: an export made the register's journal"; failed=1; }
[ -p roura.pdf ] || { echo "FAILED: an export replaced a pipe"; failed=1; }
rm denik.pdf roura.pdf
# A name that is not UTF-8 is refused, not turned into another name.
check "a name that is not UTF-8" 2 "není text v kódování systému" "$program" --export cd $'p\xf8ehled.pdf'
[ -e $'p\xf8ehled.pdf' ] || [ -e 'p�ehled.pdf' ] && { echo "FAILED: a file with another name was written"; failed=1; }
check "PDF into no folder" 1 "Soubor nikde/s.pdf nelze zapsat: složka nikde neexistuje." "$program" --export cd nikde/s.pdf
mkdir home
check "--import of a folder" 1 "soubor home nelze přečíst: je to složka, ne soubor." "$program" --import cd home
mkfifo roura
check "--import of a pipe nobody writes into" 1 "je roura, do které nikdo nepíše" timeout 120 "$program" --import cd roura
# The pipe's writer comes after the program opened it, and before.
check "--import of a pipe" 0 "disků k přidání: 2" \
    sh -c '"$0" --import cd roura --dry-run --allow-duplicates & sleep 1; cat disky.csv >roura; wait $!' "$program"
check "--import of a pipe written first" 0 "disků k přidání: 2" \
    sh -c 'cat disky.csv >roura & "$0" --import cd roura --dry-run --allow-duplicates' "$program"
check "--import of a device" 1 "soubor /dev/zero nelze přečíst: je to zařízení, ne soubor." \
    "$program" --import cd /dev/zero
check "--restore of a device" 1 "/dev/zero je zařízení, ne soubor zálohy. Nic nebylo změněno." \
    "$program" --restore /dev/zero
check "--restore of a folder" 1 "home je složka, ne soubor zálohy." "$program" --restore home
# Every door takes a name of the 255 bytes a file system allows, and refuses one longer alike.
long=a$(printf 'ž%.0s' $(seq 125))
for suffix in zaz pdf csv; do
    [ "$suffix" = zaz ] && door=(--backup) || door=(--export cd)
    check "${door[*]} to a name of 255 bytes (.$suffix)" 0 "" "$program" "${door[@]}" "$long.$suffix"
    [ -s "$long.$suffix" ] || { echo "FAILED: ${door[*]} wrote no $long.$suffix"; failed=1; }
    check "${door[*]} to a name of 256 bytes (.$suffix)" 1 "jméno souboru je příliš dlouhé" "$program" "${door[@]}" "x$long.$suffix"
done
check "--backup into a folder" 1 "home je složka; zadejte jméno souboru zálohy." "$program" --backup home
check "--backup to -" 1 "zálohu nelze zapsat na standardní výstup" "$program" --backup -
[ -e ./- ] && { echo "FAILED: --backup - wrote a file named -"; failed=1; }
check "--import of no file" 1 "soubor nic.csv nelze přečíst: soubor nebo složka neexistuje." "$program" --import cd nic.csv
check "--export into no folder" 1 "Soubor nikde/disky.csv nelze zapsat: složka nikde neexistuje." "$program" --export cd nikde/disky.csv
check "--home --import" 0 "Přidáno disků: 2 ($work/home/Ordisk/db1.zaz" \
    env HOME="$work/home" "$program" --home --import cd disky.csv
check "--home --export" 0 "Kytice" env HOME="$work/home" "$program" --home --export cd
[ -f home/Ordisk/db1.zaz ] || { echo "FAILED: --home made no ~/Ordisk/db1.zaz"; failed=1; }
# Ctrl+C while an import waits for its input on a pipe: said, nothing added, status 130. The
# signal is sent once the program waits in the pipe's read (its wait channel), not after a
# guessed time; job control keeps the background program's Ctrl+C as a terminal's would.
before=$(sqlite3 db1.zaz "SELECT count(*) FROM cd")
mkfifo vstup
exec 7<>vstup # held open for writing: the program waits for more
set -m
"$program" --import cd - <vstup >preruseno.txt 2>&1 &
pid=$!
set +m
for _ in $(seq 1200); do grep -q pipe "/proc/$pid/wchan" 2>/dev/null && break; sleep 0.1; done
kill -INT "$pid"
for _ in $(seq 1200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid" 2>/dev/null && echo "FAILED: Ctrl+C did not stop the waiting import"
got=0
wait "$pid" || got=$?
exec 7>&-
if [ "$got" -ne 130 ] || ! grep -qF "ordisk: přerušeno; nic nebylo přidáno." preruseno.txt ||
    [ "$(sqlite3 db1.zaz "SELECT count(*) FROM cd")" != "$before" ]; then
    echo "FAILED: Ctrl+C of a waiting import: status $got, output:"
    cat preruseno.txt
    failed=1
fi
# A damaged page anywhere stops an import before it writes: the file stays as it was.
page=$(sqlite3 db1.zaz "PRAGMA page_size")
root=$(sqlite3 db1.zaz "SELECT rootpage FROM sqlite_master WHERE name = 'cd'")
dd if=/dev/zero of=db1.zaz bs="$page" seek=$((root - 1)) count=1 conv=notrunc status=none
before=$(sha256sum db1.zaz)
printf 'jmeno;prijmeni\nJan;Novák\n' >lide.csv
check "--import into a damaged register" 1 "je poškozený" "$program" --import lide lide.csv
[ "$(sha256sum db1.zaz)" = "$before" ] || { echo "FAILED: the damaged register was written to"; failed=1; }
echo "not a register" >db1.zaz
check "--import into no register" 1 "není databází programu Ordisk" "$program" --import cd disky.csv
[ "$(cat db1.zaz)" = "not a register" ] || { echo "FAILED: db1.zaz was changed"; failed=1; }
exit $failed
