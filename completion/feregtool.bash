# bash completion for feregtool.
# Span, channel, register and value are numbers only the card knows; the
# keyword after span and channel is the one word there is to offer, and a
# first word that begins with two dashes asks for help or the version.
_feregtool()
{
    COMPREPLY=()
    local word=${COMP_WORDS[COMP_CWORD]}
    if [[ $COMP_CWORD -eq 3 ]]; then
        mapfile -t COMPREPLY < <(compgen -W \
            '-fe_reg_read -fe_reg_write -fe_reg_dump -fe_reg_modify' -- "$word")
    elif [[ $COMP_CWORD -eq 1 && $word == --* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$word")
    fi
}
complete -F _feregtool feregtool
