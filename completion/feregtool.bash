# bash completion for feregtool.
# Span, channel, register and value are numbers only the card knows;
# the keyword after span and channel is the one word there is to offer.
_feregtool()
{
    COMPREPLY=()
    if [[ $COMP_CWORD -eq 3 ]]; then
        mapfile -t COMPREPLY < <(compgen -W '-fe_reg_read -fe_reg_write' -- "${COMP_WORDS[3]}")
    fi
}
complete -F _feregtool feregtool
