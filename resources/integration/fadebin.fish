# Fish completion for fadebin: its subcommands, their options and file names.
set -l commands list expire keep delete-now restore quit show plan free rules

complete -c fadebin -f
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Show the usage'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -s v -l version -d 'Show the version'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a list -d 'List the waiting and scheduled files'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a expire -d 'Give files an expiry'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a keep -d 'Keep files for ever'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a delete-now -d 'Move files to the Trash now'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a restore -d 'Put back what Fadebin trashed'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a quit -d 'End the running program'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a show -d 'Open the notch for the keyboard'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a plan -d 'List what would free a size, without acting'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a free -d "Remove Fadebin's own files from the Trash until a size is freed"
complete -c fadebin -n "__fish_seen_subcommand_from plan" -l free -x -d 'The size to free, such as 5G'
complete -c fadebin -n "__fish_seen_subcommand_from plan" -l json -d 'Machine-readable output'
complete -c fadebin -n "not __fish_seen_subcommand_from $commands" -a rules -d 'List, add or remove rules for new downloads'
complete -c fadebin -n "__fish_seen_subcommand_from rules; and not __fish_seen_subcommand_from list add remove" -a 'list add remove'
complete -c fadebin -n "__fish_seen_subcommand_from rules; and __fish_seen_subcommand_from add" -l host -x -d 'A host, or .domain for it and its subdomains'
complete -c fadebin -n "__fish_seen_subcommand_from rules; and __fish_seen_subcommand_from add" -l kind -x -a 'image video audio archive package pdf document spreadsheet presentation text code data font link book folder other' -d 'A kind of file'
complete -c fadebin -n "__fish_seen_subcommand_from rules; and __fish_seen_subcommand_from add" -l ext -x -d 'An extension'
complete -c fadebin -n "__fish_seen_subcommand_from rules; and __fish_seen_subcommand_from add" -l choice -x -a '10s 30s 30m 1h 1d 10d keep' -d 'What the rule decides'
complete -c fadebin -n "__fish_seen_subcommand_from list" -l json -d 'Machine-readable output'
complete -c fadebin -n "__fish_seen_subcommand_from expire" -l in -x -a '10s 30s 30m 1h 1d 10d' -d 'When the files expire'
complete -c fadebin -n "__fish_seen_subcommand_from restore" -l last -d 'Put back what the last sweep trashed'
complete -c fadebin -n "__fish_seen_subcommand_from expire keep delete-now restore" -F
