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
check "--export without a list" 2 "u volby --export chybí, co vyvézt" "$program" --export
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
cp db1.zaz pred.zaz
old_sum=$(sha256sum <pred.zaz) new_sum=$(sha256sum <"$copy")
for i in $(seq 25); do
    cp pred.zaz db1.zaz
    "$program" --restore "$copy" >/dev/null 2>&1 &
    sleep "0.$(printf %03d $((RANDOM % 200)))" # a restore takes 0.15 s here
    kill -9 $! 2>/dev/null
    wait $! 2>/dev/null
    sum=$(sha256sum <db1.zaz)
    if [ "$sum" != "$old_sum" ] && [ "$sum" != "$new_sum" ]; then
        echo "FAILED: a killed restore left a register that is neither"; failed=1
    fi
    [ "$(sqlite3 db1.zaz 'PRAGMA quick_check')" = ok ] || { echo "FAILED: a killed restore left damage"; failed=1; }
done
for name in seznam.pdf seznam.HTML seznam.xls seznam.docx; do
    check "--export to $name" 1 "formát .$(tr A-Z a-z <<<"${name#*.}") program nezapisuje" "$program" --export cd "$name"
    [ -e "$name" ] && { echo "FAILED: --export wrote $name"; failed=1; }
done
check "--export to .txt" 0 "Zapsáno do seznam.txt" "$program" --export cd seznam.txt
check "--export to a name with a number" 0 "Zapsáno do seznam.2026" "$program" --export cd seznam.2026
check "--export of no list" 1 "vyvézt lze jen cd, lide, vypujcky, nevracenecd" "$program" --export pujcovani
mkdir home
check "--import of a folder" 1 "soubor home nelze přečíst: je to složka, ne soubor." "$program" --import cd home
mkfifo roura
check "--import of a pipe nobody writes into" 1 "je roura, do které nikdo nepíše" timeout 20 "$program" --import cd roura
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
check "--backup into a folder" 1 "home je složka; zadejte jméno souboru zálohy." "$program" --backup home
check "--backup to -" 1 "zálohu nelze zapsat na standardní výstup" "$program" --backup -
[ -e ./- ] && { echo "FAILED: --backup - wrote a file named -"; failed=1; }
check "--import of no file" 1 "soubor nic.csv nelze přečíst: soubor nebo složka neexistuje." "$program" --import cd nic.csv
check "--export into no folder" 1 "Soubor nikde/disky.csv nelze zapsat: složka nikde neexistuje." "$program" --export cd nikde/disky.csv
check "--home --import" 0 "Přidáno disků: 2 ($work/home/Ordisk/db1.zaz" \
    env HOME="$work/home" "$program" --home --import cd disky.csv
check "--home --export" 0 "Kytice" env HOME="$work/home" "$program" --home --export cd
[ -f home/Ordisk/db1.zaz ] || { echo "FAILED: --home made no ~/Ordisk/db1.zaz"; failed=1; }
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
