# bash completion for quorvex-cli
_quorvex_cli() {
    local cur prev words cword
    _init_completion 2>/dev/null || {
        cur="${COMP_WORDS[COMP_CWORD]}"
        prev="${COMP_WORDS[COMP_CWORD-1]}"
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }

    local commands="resolve request encode decode regex tts notice avatar favicon speedtest"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            -*) ;;
            *) command="${words[i]}"; break ;;
        esac
    done

    case "$prev" in
        -o|--output)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        -X|--method)
            COMPREPLY=($(compgen -W "GET POST" -- "$cur"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W "png bmp jpg gif tiff" -- "$cur"))
            return ;;
        -p|--password|-d|--data|-H|--header|-b|--cookie|--seconds)
            return ;;
    esac

    local options
    case "$command" in
        "")
            COMPREPLY=($(compgen -W "$commands --help --version --json" -- "$cur"))
            return ;;
        resolve)
            options="-p --password --json --help"
            # The first word after the command is the service.
            local positional=0
            for ((i = i + 1; i < cword; i++)); do
                case "${words[i]}" in
                    -p|--password) ((i++)) ;;
                    -*) ;;
                    *) ((positional++)) ;;
                esac
            done
            if [[ $cur != -* && $positional -eq 0 ]]; then
                # The program names its services itself, from its resolver table.
                local services
                services=$("${words[0]}" --list-services 2>/dev/null)
                COMPREPLY=($(compgen -W "$services" -- "$cur"))
                return
            fi ;;
        request)
            options="-X --method -d --data -H --header -b --cookie --no-redirect --utf8 --t2s --text --ts10
                     -o --output --json --help" ;;
        encode|notice)
            options="--json --help" ;;
        decode)
            options="--utf8 --percent --unicode --json --help" ;;
        regex)
            options="--json --help" ;;
        tts|avatar)
            options="-o --output --json --help" ;;
        favicon)
            options="-o --output --format --json --help" ;;
        speedtest)
            options="--seconds --json --help" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
}
complete -F _quorvex_cli quorvex-cli
