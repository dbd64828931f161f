#!/bin/sh
# The sample card loaded into a program folder, for the browser test of the
# album pages' MAIL and PRINT hand-over:
#   DIR/home          the program folder (index, site, Image Library)
#   DIR/data          XDG_DATA_HOME, where Lumbrel --register writes its entry
#   DIR/config        XDG_CONFIG_HOME (settings, the mime defaults)
#   DIR/AppPaths.conf the mail program (as Eudora) and the print program
#   DIR/mail, DIR/pressa, DIR/bin   the stand-ins: a mail program that records
#                     its arguments in DIR/mail.rec and copies the attachment
#                     it is given to DIR/received.jpg while it runs; a print
#                     program that records its working folder and arguments
#                     in DIR/print.rec; an xdg-mime that logs its calls
# Prints the path of library.htm. Usage: LUMBREL_BIN=build/bin sample_card_site.sh DIR
set -eu
dir=$1
bin=${LUMBREL_BIN:?the folder of the built programs}
export XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" LUMBREL_APPPATHS="$dir/AppPaths.conf"
export PATH="$dir/bin:$PATH"
mkdir -p "$dir/bin" "$dir/mail" "$dir/pressa"

cat > "$dir/mail/thunderbird" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" > "$dir/mail.rec"
file=\$(printf %s "\$2" | sed "s|^attachment='file://||; s|'\\\$||; s|%20| |g")
cp "\$file" "$dir/received.jpg"
SCRIPT
cat > "$dir/pressa/Pressa.exe" <<SCRIPT
#!/bin/sh
{ pwd; printf '%s\n' "\$@"; } > "$dir/print.part"
mv "$dir/print.part" "$dir/print.rec"
SCRIPT
cat > "$dir/bin/xdg-mime" <<SCRIPT
#!/bin/sh
echo "\$*" >> "$dir/xdg-mime.log"
SCRIPT
chmod +x "$dir/mail/thunderbird" "$dir/pressa/Pressa.exe" "$dir/bin/xdg-mime"
printf '[EUDORA.EXE]\nPath=%s\n[Pressa.exe]\nPath=%s\n' "$dir/mail/thunderbird" "$dir/pressa" > "$LUMBREL_APPPATHS"

"$bin/make-sample-card" "$dir/card" > /dev/null
"$bin/lumbrel-cli" --home "$dir/home" settings set Settings MailName Eudora > /dev/null
"$bin/lumbrel-cli" --home "$dir/home" load --yes --no-open --undated file-date "$dir/card/DCIM" "$dir/card/KDCAM" \
    > /dev/null 2>&1
"$bin/Lumbrel" --home "$dir/home" --register
echo "$dir/home/library.htm"
