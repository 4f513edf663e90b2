# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import csv
import io
import os
import stat

import pytest

from ansible_collections.tevaro.lumiq.plugins.module_utils import lumiq_runner as lr


def module_entry(mac, status, changes=(), written=(), unconfirmed=(), detail=None):
    entry = dict(mac=mac, status=status, apply=dict(
        changes=[dict(key=k, now=n, wanted=w) for k, n, w in changes],
        mismatches=[], written=list(written), notWritten=[], unconfirmed=list(unconfirmed)))
    if detail:
        entry['detail'] = detail
    return entry


def test_command_line_and_exit_statuses():
    params = dict(adapter=['lan0', '10.0.0.1'], wait=300, timeout=None, parallel=None, expect=2, rounds=None,
                  broadcast=True)
    assert lr.command_line('/usr/bin/lumiq', 'apply', ['--check'], params, ['02:4c:51:00:00:01', '-x']) == [
        '/usr/bin/lumiq', 'apply', '--check', '--adapter', 'lan0', '--adapter', '10.0.0.1', '--wait', '300',
        '--expect', '2', '--broadcast', '--json', '--', '02:4c:51:00:00:01', '-x']
    assert lr.command_line('lumiq', 'read', [], dict(broadcast=False), []) == ['lumiq', 'read', '--json']

    meanings = [(0, False, 'ok'), (1, False, 'failed'), (1, True, 'changes'), (2, False, 'bad-input'),
                (2, True, 'trouble'), (3, True, 'nothing-found'), (130, False, 'interrupted'), (-11, False, 'unknown')]
    for status, check, meaning in meanings:
        assert lr.exit_meaning(status, check) == meaning


def test_profile_and_identity_files():
    assert lr.profile_ini({'dhcp': False, 'dport': 9100, 'name': u'车间一号机'}) == (
        u'[profile]\ndhcp=off\ndport=9100\nname=车间一号机\n')
    for bad in ({'mac': '02:4c:51:00:00:01'}, {' MAC': 'x'}, {'name': 'a\nport=1'}, {'name': u'a\u2028b'},
                {'port=1': 'x'}, {'[x]': 'y'}, {'name': None}, {'name': ['a']}):
        with pytest.raises(ValueError):
            lr.profile_ini(bad)

    text = lr.identities_csv([
        {'ip': '10.1.0.1', 'mac': '02:4c:51:00:00:01', 'name': 'A, "quoted"'},
        {'mac': '02:4c:51:00:00:02', 'port': 7000, 'name': "'=1+2"},
    ])
    rows = list(csv.reader(io.StringIO(text)))
    assert rows == [['mac', 'ip', 'name', 'port'],
                    ['02:4c:51:00:00:01', '10.1.0.1', 'A, "quoted"', ''],
                    # lumiq drops one guarding quote: this cell comes back as '=1+2
                    ['02:4c:51:00:00:02', '', "''=1+2", '7000']]
    for bad in ([{'ip': '10.1.0.1'}], ['02:4c:51:00:00:01'], [{'mac': 'x', 'name': 'a\rb'}], [{'mac': 7923433495}]):
        with pytest.raises(ValueError):
            lr.identities_csv(bad)


def test_apply_verdicts():
    applied = module_entry('02:4c:51:00:00:01', 'applied', [('dport', '9000', '9100')], ['set dport=9100'])
    refused = module_entry('02:4c:51:00:00:02', 'refused', [('dport', '9001', '9100'), ('name', 'B', 'C')],
                           detail='set dport=9100 refused: ERROR')
    unchanged = module_entry('02:4c:51:00:00:03', 'unchanged')
    good = ('unchanged', 'applied', 'differs')

    document = dict(exitStatus=1, modules=[applied, refused, unchanged])
    failed, message = lr.verdict(document, 1, 'lumiq: 1 of 3 modules did not succeed\n', good)
    assert failed and '02:4c:51:00:00:02: refused: set dport=9100 refused: ERROR' in message
    assert '00:01' not in message and lr.apply_changed(document['modules'])
    diffs = lr.apply_diff(document['modules'])
    assert [d['before_header'] for d in diffs] == ['02:4c:51:00:00:01 (now)', '02:4c:51:00:00:02 (now)']
    assert diffs[1]['before'] == 'dport: 9001\nname: B\n' and diffs[1]['after'] == 'dport: 9100\nname: C\n'

    # A module that failed after one set was confirmed, or sent without an answer, did change.
    assert lr.apply_changed([module_entry('m', 'timeout', unconfirmed=['ip=10.1.0.5'])])
    assert not lr.apply_changed([unchanged, module_entry('m', 'missing')])

    # With --check, 1 says something would change; 2 is trouble even with no module named.
    differs = module_entry('02:4c:51:00:00:01', 'differs', [('dport', '9000', '9100')])
    assert lr.verdict(dict(modules=[differs]), 1, '', good, check=True) == (False, lr.EXIT_TEXTS['changes'])
    assert lr.apply_changed([differs])
    assert lr.verdict(dict(modules=[]), 2, 'lumiq: no module answered the search on 1 adapter\n', good,
                      check=True)[1].endswith('no module answered the search on 1 adapter')
    # Every module fine, yet too few answered for --expect: the exit status still fails the task.
    assert lr.verdict(dict(modules=[unchanged]), 1, 'lumiq: 1 of 2 modules answered\n', good)[0]
    assert 'port taken' in lr.verdict(dict(modules=[], error='port taken'), 3, '', good)[1]


class FakeModule:
    def __init__(self, stdout, rc=0):
        self.params = dict(executable=None, broadcast=False)
        self.reply = (rc, stdout, 'lumiq: something broke\n')

    def get_bin_path(self, name, required=False):
        return '/usr/bin/' + name

    def run_command(self, argv, check_rc=False, environ_update=None):
        self.argv = argv
        return self.reply

    def fail_json(self, **kwargs):
        raise RuntimeError(kwargs['msg'])


def test_runner_reads_one_document_and_cleans_up():
    module = FakeModule('{"schema": 1, "exitStatus": 0, "modules": [{"mac": "m", "status": "ok"}]}')
    runner = lr.LumiqRunner(module)
    run = runner.run('read', targets=['all'])
    assert module.argv == ['/usr/bin/lumiq', 'read', '--json', '--', 'all'] and run.modules[0]['mac'] == 'm'

    with pytest.raises(RuntimeError, match='without a JSON document.*something broke'):
        lr.LumiqRunner(FakeModule('Segmentation fault', rc=139)).run('apply')

    with runner.prepared_files({'profile.ini': u'[profile]\nname=一\n'}) as paths:
        with io.open(paths['profile.ini'], encoding='utf-8') as f:
            assert f.read() == u'[profile]\nname=一\n'
        assert stat.S_IMODE(os.stat(paths['profile.ini']).st_mode) == 0o600
        folder = os.path.dirname(paths['profile.ini'])
        assert stat.S_IMODE(os.stat(folder).st_mode) == 0o700
    assert not os.path.exists(folder)
