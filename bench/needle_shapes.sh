# SPDX-License-Identifier: MIT
# The needles the searches are timed with, one shape a line: NAME|NEEDLE
# (UTF-8). None of them is in a generated document, so each search reads
# every text; a scan that looked only for the first letter would meet a
# candidate in almost every text for most of them.
NEEDLE_SHAPES='rare first letter|xyzzy nowhere
common first letter, rare ones after it|exz
common first letter, rare second|tqx
common letters, one rare at the end|eeeq
common letters only|eeee
one letter that is nowhere|x
a long needle of common words|rechnung versicherung steuer termin
two blanks inside|plan  budget
letters above 127|grüße ölkännchen
digits|4711
punctuation|!!
a run of 37 times e|eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee'
