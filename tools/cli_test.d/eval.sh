# Expressions.
expect 0 "19" -- eval "1 + 2 * 3 ^ 2"
expect 0 "64" -- eval "2 ^ 3 ^ 2"
expect 0 "1" -- eval "ADR:FIRMA = 'Abc'" --bind "ADR:FIRMA=Abc   "
expect 0 "0" -- eval "ADR:FIRMA = 'Abc'" --bind "ADR:FIRMA=ABC"
expect 0 "1" -- eval "ADR:ID = '5'" --bind ADR:ID=5
expect 0 "3.5" -- eval "X / 2" --bind X=7
expect 0 "2.75" -- eval "X + 1" --bind X=1.75
expect 0 "12" -- eval "X & 2" --bind X=1
expect 0 "Praha 4" -- eval "M & ' 4'" --bind "M=Praha"
expect 0 "it's" -- eval "'it''s'"
expect 0 "19.05.1998" -- eval "FORMAT(72095, @d6.)"
expect 0 "ŽLUŤOUČKÝ" -- eval "UPPER('žluťoučký')"
expect 1 "error 800: Invalid expression for EVALUATE" -- eval "'it's'"
expect 1 "error 800: Invalid expression for EVALUATE" -- eval "NOSUCH = 1"
expect 1 "error 800: Invalid expression for EVALUATE" -- eval "TODAY"
expect 1 "error 800: Invalid expression for EVALUATE" -- eval "LEN()"
expect 1 "error 800: Invalid expression for EVALUATE" -- eval "LEFT('a', 1, 2)"
expect 2 "zevlon-tool: --bind needs NAME=VALUE" -- eval "1" --bind X
expect 2 "zevlon-tool: not a name: '1X'" -- eval "1" --bind 1X=2
expect 2 "zevlon-tool: usage: eval EXPRESSION [--bind NAME=VALUE]..." -- eval
