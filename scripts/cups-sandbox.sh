#!/usr/bin/env bash
# Runs a private CUPS scheduler with a virtual PDF printer (TestPDF) so Brevlin can print without real hardware.
#
# Usage:
#   scripts/cups-sandbox.sh start DIR   start (or reuse) the scheduler in DIR and print export lines for eval
#   scripts/cups-sandbox.sh env DIR     print the export lines of a running scheduler
#   scripts/cups-sandbox.sh stop DIR    stop the scheduler started in DIR (nothing else)
#
# Typical use (assigning first lets "set -e" see a failed start; eval "$(...)" alone would not):
#   cups_env=$(scripts/cups-sandbox.sh start /tmp/brevlin-cups)
#   eval "$cups_env"
#   lp -d TestPDF -t "sheet 1" file.pdf       # talks to the private scheduler through $CUPS_SERVER
#   ... wait until "lpstat -o TestPDF" lists nothing, then the PDF is in $BREVLIN_PDF_DIR ...
#   scripts/cups-sandbox.sh stop /tmp/brevlin-cups
#
# The system scheduler is never used or modified: everything (config, spool, logs, socket, pid file) lives
# in DIR and cupsd listens only on DIR/cups.sock.
#
# Needs root and these Debian 12 packages: cups (cupsd, cups-filters), cups-client (lpadmin, lpstat,
# lp), printer-driver-cups-pdf (pulls in ghostscript); cups-bsd for callers that use lpr, poppler-utils
# for inspecting the output. util-linux (unshare, mount, runuser) is part of every Debian install.
#
# Where the PDFs go: the cups-pdf backend only reads its settings from the compiled-in
# /etc/cups/cups-pdf.conf. To send output to DIR/pdf without editing that file, cupsd is started in a
# private mount namespace in which DIR/cups-pdf.conf is bind-mounted over it; only this scheduler and
# its children see the replacement. Where mount namespaces are not allowed (unprivileged containers),
# the scheduler runs without one and BREVLIN_PDF_DIR points at the folder the system's cups-pdf.conf
# selects for the printing user (normally ~/PDF).
#
# File names: "job_<id>-<title>.pdf", where <title> is the job title (lp -t, QPrinter::setDocName, else
# the file name) with spaces and "/" turned into "_", a short extension such as ".pdf" cut off, and at
# most 64 characters kept. The job id makes every name unique. Keep titles to letters, digits, spaces,
# "-" and "_": cups-pdf 3.0.1 appends garbage when it has to strip characters such as parentheses.
# Pages come out A4 unless the job asks for a media size (e.g. -o media=Custom.100x150mm); a smaller
# page is centred on A4 at its original scale. Ghostscript (/prepress settings) keeps images up to
# 450 ppi untouched and resamples denser ones to 300 ppi, losslessly compressed.

set -euo pipefail
umask 022    # the folders made here must be searchable by user lp, which runs the filters

readonly PRINTER=TestPDF
readonly PPD_MODEL=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
readonly START_TIMEOUT=15           # seconds to wait for cupsd to answer
readonly SYSTEM_PDF_CONF=/etc/cups/cups-pdf.conf

prog=${0##*/}

die() {
    printf '%s: %s\n' "$prog" "$*" >&2
    exit 1
}

warn() {
    printf '%s: warning: %s\n' "$prog" "$*" >&2
}

usage() {
    cat >&2 <<EOF
usage: $prog start DIR   start (or reuse) a private scheduler in DIR, print export lines
       $prog env DIR     print the export lines of the scheduler running in DIR
       $prog stop DIR    stop the scheduler running in DIR
EOF
    exit 2
}

# --- helpers -----------------------------------------------------------------------------------

# Absolute, symlink-free form of an existing directory.
abs_dir() {
    (cd -- "$1" && pwd -P)
}

# Pid of our cupsd for $dir if it is alive, else nothing (and a non-zero status).
running_pid() {
    local pidfile=$dir/cupsd.pid pid
    [[ -r $pidfile ]] || return 1
    pid=$(<"$pidfile")
    [[ $pid =~ ^[0-9]+$ ]] || return 1
    # The pid must still be a cupsd started with our files, not a recycled pid. (cupsd re-executes
    # itself with "-C cupsd.conf", but keeps "-s cups-files.conf" as given.)
    [[ -r /proc/$pid/cmdline ]] || return 1
    tr '\0' '\n' <"/proc/$pid/cmdline" | grep -qxF -- "$dir/cups-files.conf" || return 1
    printf '%s\n' "$pid"
}

# True while process $1 exists and is not a zombie (an init that is slow to reap must not make a
# stopped cupsd look alive).
alive() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

# True when the scheduler answers on the socket.
answers() {
    [[ -S $sock ]] && lpstat -h "$sock" -r 2>/dev/null | grep -q 'is running'
}

# Export lines for callers; also kept in DIR/sandbox.env for "env".
write_env() {
    local pdf_dir=$1
    {
        printf 'export CUPS_SERVER=%q\n' "$sock"
        printf 'export BREVLIN_PDF_DIR=%q\n' "$pdf_dir"
    } >"$dir/sandbox.env"
}

# Folder the system's cups-pdf configuration sends the current user's jobs to (used only when
# the private configuration cannot be applied).
system_pdf_dir() {
    # shellcheck disable=SC2016 # cups-pdf's own ${HOME}/${USER} placeholders, expanded below
    local out='${HOME}/PDF' line user home
    if [[ -r $SYSTEM_PDF_CONF ]]; then
        line=$(grep -E '^[[:space:]]*Out[[:space:]]' "$SYSTEM_PDF_CONF" | tail -n 1 || true)
        [[ -n $line ]] && out=$(sed -E 's/^[[:space:]]*Out[[:space:]]+//; s/[[:space:]]+$//' <<<"$line")
    fi
    user=$(id -un)
    home=$(getent passwd "$user" | cut -d: -f6)
    # shellcheck disable=SC2016
    out=${out//'${HOME}'/$home}
    # shellcheck disable=SC2016
    out=${out//'${USER}'/$user}
    printf '%s\n' "$out"
}

write_config() {
    local pdf_dir=$1

    cat >"$dir/cupsd.conf" <<EOF
# Private scheduler for Brevlin; generated by scripts/cups-sandbox.sh, rewritten on every start.
LogLevel info
MaxLogSize 0
Listen $sock
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
DefaultAuthType None
PreserveJobHistory Yes
PreserveJobFiles No
# A failing job is aborted instead of stopping the queue, so later jobs still print.
ErrorPolicy abort-job
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

    cat >"$dir/cups-files.conf" <<EOF
# Private scheduler for Brevlin; generated by scripts/cups-sandbox.sh, rewritten on every start.
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
LogFilePerm 0644
User lp
Group lp
SystemGroup root
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
EOF

    # Settings for the cups-pdf backend of this scheduler only (see the note at the top).
    cat >"$dir/cups-pdf.conf" <<EOF
# cups-pdf settings for Brevlin's private scheduler; generated by scripts/cups-sandbox.sh.
Out $pdf_dir
AnonDirName $pdf_dir
Spool $dir/cups-pdf-spool
Log $dir/log
Label 1
TitlePref 1
PDFVer 1.4
UserUMask 0022
AnonUMask 0022
Grp lp
DecodeHexStrings 1
# As the built-in command, but with the spool file quoted so DIR may contain spaces.
GSCall %s -q -dCompatibilityLevel=%s -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile="%s" -dAutoRotatePages=/PageByPage -dAutoFilterColorImages=false -dColorImageFilter=/FlateEncode -dPDFSETTINGS=/prepress -c -f "%s"
EOF
}

# Can this process create a private mount namespace and bind-mount over the system's cups-pdf.conf?
can_bind_pdf_conf() {
    [[ -f $SYSTEM_PDF_CONF ]] || return 1
    command -v unshare >/dev/null || return 1
    unshare --mount --propagation private -- \
        mount --bind "$dir/cups-pdf.conf" "$SYSTEM_PDF_CONF" >/dev/null 2>&1
}

start_cupsd() {
    local private_pdf=$1
    local -a cupsd=(cupsd -c "$dir/cupsd.conf" -s "$dir/cups-files.conf")

    # cupsd detaches by itself; its stdio must not keep the caller's $(...) open.
    if ((private_pdf)); then
        # shellcheck disable=SC2016 # $1, $2 and $@ belong to the inner shell
        unshare --mount --propagation private -- /bin/sh -c \
            'mount --bind "$1" "$2" && shift 2 && exec "$@"' \
            sh "$dir/cups-pdf.conf" "$SYSTEM_PDF_CONF" "${cupsd[@]}" \
            </dev/null >>"$dir/log/cupsd.out" 2>&1
    else
        "${cupsd[@]}" </dev/null >>"$dir/log/cupsd.out" 2>&1
    fi
}

show_log_tail() {
    local f
    for f in "$dir/log/cupsd.out" "$dir/log/error_log"; do
        [[ -s $f ]] || continue
        printf '%s: last lines of %s:\n' "$prog" "$f" >&2
        tail -n 20 "$f" >&2
    done
}

# Refuses paths cupsd or cups-pdf cannot cope with. They end up unquoted in the config files and
# quoted in the shell command cups-pdf builds for Ghostscript, so spaces are fine but quotes, $, `
# and \ are not; a unix socket path is limited to 107 bytes.
check_path() {
    local sock_path=${1%/}/cups.sock
    if [[ $1 =~ [^[:print:]] || $1 == *[\"\$\`\\]* ]]; then
        die "DIR must not contain control characters, \", \$, \` or \\: $1"
    fi
    ((${#sock_path} <= 100)) ||
        die "DIR path too long for a unix socket (${#sock_path} > 100 bytes): $sock_path"
}

lp_can_enter() {
    runuser -u lp -- test -x "$1" ||
        die "user lp cannot enter $1; choose a DIR whose parent folders are world-searchable (e.g. under /tmp)"
}

# --- commands ----------------------------------------------------------------------------------

cmd_start() {
    ((EUID == 0)) || die "must run as root (cupsd runs its backends as root and its filters as user lp)"
    command -v cupsd >/dev/null || die "cupsd not found (install the Debian package cups)"
    command -v lpadmin >/dev/null || die "lpadmin not found (install the Debian package cups-client)"
    [[ -x /usr/lib/cups/backend/cups-pdf ]] || die "cups-pdf backend missing (install printer-driver-cups-pdf)"

    # Check the path as given before creating anything, then its resolved form.
    local given=$1 probe
    [[ $given == /* ]] || given=$PWD/$given
    check_path "$given"
    # Filters run as user lp and must reach the spool folder inside DIR.
    probe=$given
    while [[ ! -d $probe ]]; do probe=$(dirname -- "$probe"); done
    lp_can_enter "$probe"
    mkdir -p -- "$1"
    dir=$(abs_dir "$1")
    check_path "$dir"
    lp_can_enter "$dir"
    sock=$dir/cups.sock

    if running_pid >/dev/null && answers; then
        # Already running for this DIR: make sure the printer exists and hand out the same settings.
        ensure_printer
        cat "$dir/sandbox.env"
        return 0
    fi
    # Leftovers of an earlier run (a hung cupsd, a stale pid file or socket) go before starting afresh.
    stop_cupsd

    mkdir -p -- "$dir/ppd" "$dir/ssl" "$dir/spool/tmp" "$dir/cache" "$dir/log" \
        "$dir/pdf" "$dir/cups-pdf-spool"
    chown root:lp "$dir/spool" "$dir/spool/tmp" "$dir/cache"
    chmod 0710 "$dir/spool"
    chmod 1770 "$dir/spool/tmp"
    chmod 0770 "$dir/cache"
    # cups-pdf runs Ghostscript as the user who submitted the job, so anyone must be able to write here.
    chmod 1777 "$dir/pdf"

    local pdf_dir=$dir/pdf private_pdf=1
    write_config "$pdf_dir"
    if ! can_bind_pdf_conf; then
        private_pdf=0
        pdf_dir=$(system_pdf_dir)
        warn "cannot use a private cups-pdf.conf here (no mount namespace); PDFs go to $pdf_dir"
    fi
    if [[ -r /sys/kernel/security/apparmor/profiles ]] &&
        grep -qE '^/usr/(sbin/cupsd|lib/cups/backend/cups-pdf) \(enforce\)' /sys/kernel/security/apparmor/profiles; then
        warn "AppArmor confines cupsd/cups-pdf on this machine; a scheduler outside /etc/cups may be blocked"
    fi

    start_cupsd "$private_pdf" || {
        show_log_tail
        die "cupsd failed to start"
    }

    local deadline=$((SECONDS + START_TIMEOUT))
    until answers; do
        if ((SECONDS >= deadline)); then
            show_log_tail
            die "cupsd did not answer on $sock within ${START_TIMEOUT}s"
        fi
        sleep 0.1
    done
    running_pid >/dev/null || warn "cupsd answers but $dir/cupsd.pid is missing; 'stop' will not find it"

    ensure_printer
    write_env "$pdf_dir"
    cat "$dir/sandbox.env"
}

# Adds the virtual PDF printer if needed and makes it the default of this scheduler.
ensure_printer() {
    local out
    # lpadmin always warns that PPD drivers are deprecated; show its output only when it fails.
    if ! lpstat -h "$sock" -p "$PRINTER" >/dev/null 2>&1; then
        # Driver defaults: name files "job_<id>-<job title>.pdf" (TitlePref=1 takes the title given
        # to lp/QPrinter instead of digging it out of the PostScript, which cups-pdf 3.0.1 garbles)
        # and write PDF 1.4 rather than the driver's default 1.2.
        out=$(lpadmin -h "$sock" -p "$PRINTER" -v cups-pdf:/ -m "$PPD_MODEL" -E \
            -o Label=1 -o TitlePref=1 -o PDFVer=1.4 2>&1) || {
            printf '%s\n' "$out" >&2
            show_log_tail
            die "lpadmin could not add $PRINTER"
        }
    fi
    out=$(lpadmin -h "$sock" -d "$PRINTER" 2>&1) || {
        printf '%s\n' "$out" >&2
        die "lpadmin could not make $PRINTER the default"
    }
}

cmd_env() {
    [[ -d $1 ]] || die "no such directory: $1"
    dir=$(abs_dir "$1")
    sock=$dir/cups.sock
    if ! running_pid >/dev/null || [[ ! -r $dir/sandbox.env ]]; then
        die "no scheduler of ours is running in $dir"
    fi
    cat "$dir/sandbox.env"
}

cmd_stop() {
    # Stopping what is not running succeeds, so cleanup traps may call this unconditionally.
    [[ -d $1 ]] || return 0
    dir=$(abs_dir "$1")
    sock=$dir/cups.sock
    stop_cupsd
}

# Stops the cupsd recorded in DIR/cupsd.pid (if it is ours) and removes its pid file and socket.
stop_cupsd() {
    local pid i
    if ! pid=$(running_pid); then
        rm -f -- "$dir/cupsd.pid" "$sock"
        return 0
    fi
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 100; i++)); do
        alive "$pid" || break
        sleep 0.1
    done
    if alive "$pid"; then
        warn "cupsd ($pid) ignored SIGTERM; killing it"
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f -- "$dir/cupsd.pid" "$sock"
}

# --- main --------------------------------------------------------------------------------------

(($# == 2)) || usage
[[ -n $2 ]] || usage
case $1 in
start) cmd_start "$2" ;;
env) cmd_env "$2" ;;
stop) cmd_stop "$2" ;;
*) usage ;;
esac
