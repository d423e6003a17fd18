# The detection report of run-deep-bench.sh. Reads "path TAB jpeginfo-status"
# lines, then "path TAB walk-verdict TAB deep-verdict TAB trailer-kind TAB
# first-bad-row TAB sound-fraction" lines of scanlark-check ("-": absent).
# Prints one row per category of the damaged corpus (the folder a file lies
# in), every broken rule, and "violations: N" last. has_deep=0 leaves the
# deep check's rules unchecked.
BEGIN {
    FS = OFS = "\t"
    split("sound bitflip huffman random-block zero-block truncated append-jpeg append-mpf append-mp4 append-zip append-zeros append-text append-random", order, " ")
    split("jpeg mpf mp4 zip zeros text random", kinds, " ")
    for (i in kinds) expected_kind["append-" kinds[i]] = kinds[i] == "random" ? "unknown" : kinds[i]
    split("headers 25pct 50pct 75pct no-eoi", cuts, " ")
    violations = 0
}
# Counts for the category and for the whole corpus.
function add(counts, category, value) {
    counts[category] += value
    counts["all"] += value
}
function broken(path, why) {
    printf "VIOLATION %s: %s\n", path, why
    violations++
}
FNR == NR { status[$1] = $2; next }
{
    path = $1; walk = $2 + 0; deep = $3; kind = $4; fraction = $6
    seen[path] = 1
    n = split(path, part, "/")
    category = part[n - 1]
    add(files, category, 1)
    info = status[path]
    if (info == "") broken(path, "jpeginfo gave no status")
    add(warnings, category, info == "WARNING")
    add(errors, category, info == "ERROR")
    flagged = info == "WARNING" || info == "ERROR"
    walk_bad = walk >= 2
    deep_bad = deep == "damaged"
    ours = walk_bad || deep_bad
    add(walk_damaged, category, walk_bad)
    add(deep_damaged, category, deep_bad)
    add(not_decoded, category, deep == "not decoded")
    add(either, category, ours)
    if (flagged && !ours) {
        add(jpeginfo_only, category, 1)
        if (has_deep) broken(path, "jpeginfo -c says " info ", the walk gives verdict " walk " and the deep check \"" deep "\"")
    }
    if (!flagged && ours) add(scanlark_only, category, 1)

    appended = category ~ /^append-/
    if (category == "sound" || appended) {
        # The corpus itself is wrong if the decoder objects to an original.
        if (info != "OK") broken(path, "jpeginfo -c says " info " to a sound file (the corpus is wrong)")
        if (walk != appended) broken(path, "the walk gives verdict " walk ", not " (appended ? 1 : 0))
        if (has_deep && deep != "sound") broken(path, "the deep check says \"" deep "\" to a sound file")
    }
    if (appended) {
        if (kind == expected_kind[category]) kind_right[category]++
        else if (has_deep) broken(path, "trailer kind \"" kind "\", not \"" expected_kind[category] "\"")
    }
    # -1: not decoded, no share to average.
    if (category == "truncated" && fraction != "-" && fraction >= 0 && match(path, /-(headers|25pct|50pct|75pct|no-eoi)\.jpg$/)) {
        cut = substr(path, RSTART + 1, RLENGTH - 5)
        fraction_sum[cut] += fraction
        fraction_count[cut]++
    }
}
END {
    for (path in status)
        if (!(path in seen)) broken(path, "no line from scanlark-check")
    printf "%-14s %5s | %-17s | %-34s | %-13s %-13s | %s\n", "", "", "jpeginfo -c", "scanlark-check", "only", "only", "trailer"
    printf "%-14s %5s | %7s %9s | %5s %7s %11s %7s | %-13s %-13s | %s\n", "category", "files", "WARNING", "ERROR",
        "walk", "deep", "not decoded", "either", "jpeginfo", "scanlark", "kind right"
    order[length(order) + 1] = "all"
    for (i = 1; i in order; i++) {
        c = order[i]
        if (!(c in files)) continue
        printf "%-14s %5d | %7d %9d | %5d %7s %11s %7d | %-13d %-13d | %s\n", c, files[c], warnings[c], errors[c],
            walk_damaged[c], has_deep ? deep_damaged[c] + 0 : "-", has_deep ? not_decoded[c] + 0 : "-", either[c],
            jpeginfo_only[c], scanlark_only[c], c ~ /^append-/ ? (has_deep ? kind_right[c] + 0 : "-") "/" files[c] : ""
    }
    print "(walk: verdict 2 or more; deep: \"damaged\"; either: what scanlark-check reports as damage)"
    if (has_deep) {
        line = "truncated, mean SoundFraction of the decoded files by cut:"
        for (i = 1; i in cuts; i++)
            if (fraction_count[cuts[i]]) line = line sprintf(" %s %.2f", cuts[i], fraction_sum[cuts[i]] / fraction_count[cuts[i]])
        print line
    }
    print "violations: " violations
}
