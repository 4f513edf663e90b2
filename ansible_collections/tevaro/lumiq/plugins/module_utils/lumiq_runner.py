# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

"""Runs lumiq for the modules of this collection.

Every module goes through here: the executable is found, the argument list
built (never a shell line), lumiq run with --json, its one JSON document
read, and its exit status told once. Prepared settings given as module
options are written to files in a private folder that goes away with the run.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import contextlib
import csv
import io
import json
import os
import tempfile

# What lumiq's exit status says; with --check, apply ends as diff(1) does.
EXIT_TEXTS = {
    'ok': 'every module succeeded',
    'failed': 'one or more modules did not succeed',
    'changes': 'something would change',
    'bad-input': 'lumiq refused its input, nothing was sent',
    'trouble': 'the check could not be completed',
    'nothing-found': 'no module answered, or the network or UDP port 5000 is unusable',
    'interrupted': 'lumiq was interrupted',
    'unknown': 'lumiq ended in an unexpected way',
}

# Every character str.splitlines() breaks on: none of them may reach a line
# of the profile, and lumiq would refuse them in a value anyway.
_LINE_BREAKS = u'\n\r\x0b\x0c\x1c\x1d\x1e\x85\u2028\u2029'

# lumiq takes one quote away from a CSV cell that starts with a quote and one
# of these (its guard against spreadsheet formulas), so such a cell gets one
# more quote to come back as given.
_GUARDED_AFTER_QUOTE = u"=+-@\t\r'"

_NUMBER_OPTIONS = ('wait', 'timeout', 'parallel', 'expect', 'rounds')


def common_options():
    """The options every module of the collection takes, as AnsibleModule reads them."""
    return dict(
        executable=dict(type='path'),
        adapter=dict(type='list', elements='str'),
        targets=dict(type='list', elements='str'),
        wait=dict(type='int'),
        timeout=dict(type='int'),
        parallel=dict(type='int'),
        expect=dict(type='int'),
        rounds=dict(type='int'),
        broadcast=dict(type='bool', default=False),
    )


def common_arguments(params):
    """lumiq's options for the common module options that are set."""
    args = []
    for name in params.get('adapter') or []:
        args += ['--adapter', name]
    for option in _NUMBER_OPTIONS:
        if params.get(option) is not None:
            args += ['--' + option, str(params[option])]
    if params.get('broadcast'):
        args.append('--broadcast')
    return args


def command_line(executable, subcommand, options, params, targets):
    argv = [executable, subcommand] + list(options) + common_arguments(params) + ['--json']
    if targets:
        # After "--" no target can be taken for an option.
        argv += ['--'] + list(targets)
    return argv


def exit_meaning(status, check=False):
    """One word for lumiq's exit status (a key of EXIT_TEXTS)."""
    if status == 0:
        return 'ok'
    if status == 1:
        return 'changes' if check else 'failed'
    if status == 2:
        return 'trouble' if check else 'bad-input'
    if status == 3:
        return 'nothing-found'
    if status == 130:
        return 'interrupted'
    return 'unknown'


def parse_document(stdout):
    """lumiq's JSON document; ValueError when stdout holds none."""
    document = json.loads(stdout)
    if not isinstance(document, dict) or not isinstance(document.get('modules'), list):
        raise ValueError('the JSON has no modules list')
    return document


def module_line(entry):
    name = entry.get('mac') or entry.get('target') or '(unknown module)'
    line = u'%s: %s' % (name, entry.get('status'))
    if entry.get('detail'):
        line += u': %s' % entry['detail']
    return line


def last_line(text):
    lines = [line for line in (text or u'').splitlines() if line.strip()]
    return lines[-1] if lines else u''


def verdict(document, status, stderr, good_statuses, check=False):
    """(failed, message) of a run.

    A module whose status is not among good_statuses fails the task, and so
    does an exit status that says trouble without any such module (such as
    fewer modules answering than --expect asked for).
    """
    meaning = exit_meaning(status, check)
    problems = [module_line(m) for m in document.get('modules', []) if m.get('status') not in good_statuses]
    if meaning in ('ok', 'changes'):
        if not problems:
            return False, EXIT_TEXTS[meaning]
        meaning = 'failed'
    if document.get('error'):
        problems.insert(0, document['error'])
    if not problems:
        problems.append(last_line(stderr) or u'exit status %d' % status)
    return True, u'%s: %s' % (EXIT_TEXTS[meaning], u'; '.join(problems))


def apply_changed(modules):
    """Whether apply wrote, or with --check would write, anything.

    A module that failed part way may still have taken some values, and a
    value sent without an answer may have been taken: both count.
    """
    for entry in modules:
        if entry.get('status') in ('applied', 'differs'):
            return True
        record = entry.get('apply') or {}
        if record.get('written') or record.get('unconfirmed'):
            return True
    return False


def default_changed(modules):
    """Whether a factory default reached any module: sent, and not refused
    (one sent without an answer may have been taken)."""
    for entry in modules:
        for step in entry.get('steps') or []:
            if (step.get('step') == 'factory default' and step.get('sends', 0) > 0
                    and step.get('outcome') not in ('refused', 'unsendable')):
                return True
    return False


def apply_diff(modules):
    """One diff per module with something to change, before and after as key: value lines."""
    diffs = []
    for entry in modules:
        changes = (entry.get('apply') or {}).get('changes') or []
        if not changes:
            continue
        name = entry.get('mac') or entry.get('target') or '(unknown module)'
        diffs.append(dict(
            before_header=u'%s (now)' % name,
            after_header=u'%s (wanted)' % name,
            before=u''.join(u'%s: %s\n' % (c.get('key'), c.get('now')) for c in changes),
            after=u''.join(u'%s: %s\n' % (c.get('key'), c.get('wanted')) for c in changes),
        ))
    return diffs


def setting_text(value, what):
    """A module option's value as lumiq's text: YAML's true/false (as in
    dhcp: on) become on/off, numbers their decimal text."""
    if isinstance(value, bool):
        text = u'on' if value else u'off'
    elif isinstance(value, (int, float)):
        text = u'%s' % value
    elif isinstance(value, str):
        text = value
    else:
        raise ValueError(u'%s must be a text or a number, not %s' % (what, type(value).__name__))
    if any(c in _LINE_BREAKS for c in text):
        raise ValueError(u'%s holds a line break' % what)
    return text


def _key_text(key, what):
    text = setting_text(key, what)
    if not text.strip():
        raise ValueError(u'%s is empty' % what)
    return text


def profile_ini(profile):
    """The [profile] INI text of a dict of shared settings."""
    lines = [u'[profile]']
    for key, value in profile.items():
        what = u'profile key %r' % (key,)
        key_text = _key_text(key, what)
        if key_text.strip().lower() == u'mac':
            raise ValueError(u'the profile cannot hold mac: every module keeps its own '
                             u'(a new one goes in identities as new_mac)')
        if u'=' in key_text or key_text.lstrip()[0] in u'[;#':
            raise ValueError(u'%s is no parameter key' % what)
        if value is None:
            raise ValueError(u'%s has no value' % what)
        lines.append(u'%s=%s' % (key_text, setting_text(value, u'the value of %s' % what)))
    return u'\n'.join(lines) + u'\n'


def _cell_text(value, what):
    if value is None:
        return u''
    text = setting_text(value, what)
    if len(text) > 1 and text[0] == u"'" and text[1] in _GUARDED_AFTER_QUOTE:
        text = u"'" + text
    return text


def identities_csv(rows):
    """The CSV text of a list of identity dicts: a header of every key used
    (mac first), then a row each; a key a row lacks is an empty cell."""
    header = []
    table = []
    for index, row in enumerate(rows):
        if not isinstance(row, dict):
            raise ValueError(u'identities[%d] is not a dictionary' % index)
        cells = dict((_key_text(key, u'identities[%d] key %r' % (index, key)), value) for key, value in row.items())
        if not any(key.strip().lower() == u'mac' for key in cells):
            raise ValueError(u'identities[%d] has no mac' % index)
        for key, value in cells.items():
            if key.strip().lower() in (u'mac', u'new_mac') and isinstance(value, int) and not isinstance(value, bool):
                raise ValueError(u'identities[%d].%s is the number %d: YAML reads a MAC of digits and colons '
                                 u'as a number in base 60 unless it is quoted' % (index, key, value))
        header += [key for key in cells if key not in header]
        table.append(cells)
    header.sort(key=lambda key: key.strip().lower() != u'mac')
    out = io.StringIO()
    writer = csv.writer(out, lineterminator=u'\n')
    writer.writerow(header)
    for index, cells in enumerate(table):
        writer.writerow([_cell_text(cells.get(key), u'identities[%d].%s' % (index, key)) for key in header])
    return out.getvalue()


class LumiqRun:
    """One finished run of lumiq: its command line, exit status, document and stderr."""

    def __init__(self, argv, status, document, stderr):
        self.argv = argv
        self.status = status
        self.document = document
        self.stderr = stderr

    @property
    def modules(self):
        return self.document.get('modules', [])

    def summary(self):
        """The run as the modules return it in `lumiq`."""
        return dict(exitStatus=self.status, command=self.argv, stderr=self.stderr)


class LumiqRunner:
    def __init__(self, module):
        self.module = module

    def executable(self):
        path = self.module.params.get('executable')
        if not path:
            return self.module.get_bin_path('lumiq', required=True)
        if not os.path.isfile(path) or not os.access(path, os.X_OK):
            self.module.fail_json(msg='executable %s is no program this user may run' % path)
        return path

    def command(self, subcommand, options=(), targets=()):
        return command_line(self.executable(), subcommand, options, self.module.params, targets)

    def run(self, subcommand, options=(), targets=()):
        argv = self.command(subcommand, options, targets)
        # A UTF-8 locale, so that lumiq reads file names and writes texts as UTF-8.
        rc, stdout, stderr = self.module.run_command(argv, check_rc=False,
                                                     environ_update=dict(LC_ALL='C.UTF-8'))
        try:
            document = parse_document(stdout)
        except ValueError as e:
            self.module.fail_json(
                msg=u'lumiq %s answered without a JSON document (exit status %d, %s): %s'
                    % (subcommand, rc, e, last_line(stderr) or u'nothing on stderr'),
                rc=rc, stdout=stdout, stderr=stderr, cmd=argv)
        return LumiqRun(argv, rc, document, stderr)

    def finish(self, run, good_statuses, result, check=False):
        """Ends the module: the task fails when the run or a module did not
        succeed (see verdict), and returns `result` either way."""
        failed, message = verdict(run.document, run.status, run.stderr, good_statuses, check)
        if failed:
            self.module.fail_json(msg=message, **result)
        self.module.exit_json(msg=message, **result)

    @contextlib.contextmanager
    def prepared_files(self, texts):
        """Paths of files holding the given texts ({name: text}), in a private
        folder removed when the block ends."""
        with tempfile.TemporaryDirectory(prefix='ansible-lumiq-') as folder:
            paths = {}
            for name, text in texts.items():
                paths[name] = os.path.join(folder, name)
                fd = os.open(paths[name], os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
                with io.open(fd, 'w', encoding='utf-8', newline='') as f:
                    f.write(text)
            yield paths
