# bash completion for ovx-extract                              -*- shell-script -*-
# Installed as .../share/bash-completion/completions/ovx-extract, which bash-completion
# loads the first time the command is completed.
#
# Options: the ones `ovx-extract --help` lists. A new option goes into one of the two
# lists below (and, when it takes a value, into the case on "$prev").

_ovx_extract()
{
    local cur prev words cword split
    _init_completion -s || return

    # Options that take the next word (or "=VALUE") as their value, and those that do not.
    local with_value="--threads --password-file"
    local flags="--overwrite --test -c --stdout -q --quiet -h --help --version --"

    case $prev in
        --threads)
            # 1 to the number of processors (the default); 256 at most.
            local n
            n=$(getconf _NPROCESSORS_ONLN 2>/dev/null) || n=1
            ((n >= 1 && n <= 256)) || n=1
            COMPREPLY=($(compgen -W "$(seq 1 "$n")" -- "$cur"))
            return
            ;;
        --password-file)
            _filedir
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    # How many operands came before the one being typed: the first is a SOURCE; any later
    # one may be another SOURCE or DESTINATION; --stdout takes one SOURCE only.
    local i operands=0 stdout=false end_of_options=false
    for ((i = 1; i < cword; i++)); do
        if $end_of_options; then
            ((operands++))
            continue
        fi
        case ${words[i]} in
            --) end_of_options=true ;;
            -c | --stdout) stdout=true ;;
            --threads | --password-file) ((i++)) ;;
            -*) ;;
            *) ((operands++)) ;;
        esac
    done

    if ! $end_of_options && [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$with_value $flags" -- "$cur"))
        return
    fi
    if ((operands == 0)) || ! $stdout; then
        _filedir ovx # a SOURCE (an .ovx file or a folder), or DESTINATION (a folder)
    fi
} &&
    complete -F _ovx_extract ovx-extract

# ex: filetype=sh
