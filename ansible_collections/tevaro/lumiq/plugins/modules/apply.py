#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: apply
short_description: Bring Lumiq modules to prepared settings
version_added: 1.14.0
description:
  - Runs C(lumiq apply) on the managed host, which searches the modules on its LAN, reads every parameter of each,
    writes only what differs from what the module should be, and reads everything back.
  - Settings shared by the modules come from a profile, each module's own from an identity table or from identity pools
    (I(assign)). Both may be given inline or, as I(profile_file) and I(identities_file), as files on the managed host.
  - The targets default to every MAC of the identity table or, without one, to every module found.
  - A module that ends C(missing), C(refused), C(mismatch), C(timeout), C(failed) or C(cancelled) fails the task,
    which still returns C(modules) and C(changed).
author:
  - Lumiq tools team (@tevaro)
extends_documentation_fragment:
  - tevaro.lumiq.lumiq
  - tevaro.lumiq.lumiq.attributes
attributes:
  check_mode:
    support: full
    details:
      - Runs C(lumiq apply --check), which reads every module and writes nothing.
  diff_mode:
    support: full
    details:
      - One diff per module that differs, named by its MAC, with the parameters that differ, as they are and as wanted.
  idempotent:
    support: full
  platform:
    platforms: posix
options:
  profile:
    description:
      - Settings the modules share, by lumiq's parameter keys (C(mode), C(gateway), C(mask), C(ip), C(dip), C(port),
        C(dport), C(dhcp), C(name), C(baud), C(databits), C(stopbits), C(parity)).
      - Written as a C([profile]) INI file for the run. C(mac) is refused, and so is a key or value with a line break.
      - YAML reads an unquoted C(on) or C(off) (as for I(dhcp)) as true or false; these are given to lumiq as C(on) and C(off).
      - Mutually exclusive with I(profile_file).
    type: dict
  profile_file:
    description:
      - A profile INI file or a CFG.ini saved by lumiq-config, on the managed host.
      - Mutually exclusive with I(profile).
    type: path
  identities:
    description:
      - Each module's own settings, a dictionary per module with its C(mac) and any parameter keys;
        C(new_mac) gives a module a new MAC.
      - Written as a CSV identity table for the run, its columns every key used. A key a module's entry leaves out is
        an empty cell, which leaves that value to the profile.
      - Mutually exclusive with I(identities_file).
    type: list
    elements: dict
  identities_file:
    description:
      - An identity table (CSV keyed by C(mac), such as C(lumiq read --csv) writes) on the managed host.
      - Mutually exclusive with I(identities).
    type: path
  assign:
    description:
      - Identity pools, KEY to TEMPLATE, each given to lumiq as C(--assign KEY=TEMPLATE).
      - The modules found are numbered in the order of their MACs; C(ip) takes a range (C(10.1.0.100-10.1.0.199)
        or C(10.1.0.100+)), C(port) and C(dport) C(N+), any other key a text in which C({n:03}) stands for the number.
    type: dict
  first:
    description:
      - The number the first module gets from the pools (C(--first)); needs I(assign).
    type: int
seealso:
  - module: tevaro.lumiq.info
  - name: lumiq(1)
    description: The manual of the lumiq command, section PREPARED SETTINGS.
    link: https://www.tevaro.com/lumiq
'''

EXAMPLES = r'''
- name: Give every module of the line its shared settings and its own address and name
  tevaro.lumiq.apply:
    adapter: [enp3s0]
    profile:
      mode: TCP_Server
      mask: 255.255.255.0
      gateway: 10.1.0.1
      baud: 115200
    identities:
      - mac: 02:4c:51:00:00:01
        ip: 10.1.0.101
        name: Press-001
      - mac: 02:4c:51:00:00:02
        ip: 10.1.0.102
        name: Press-002

- name: Number every module found
  tevaro.lumiq.apply:
    profile_file: /etc/lumiq/line.ini
    assign:
      ip: 10.1.0.100-10.1.0.199
      name: Press-{n:03}
    first: 1

- name: Audit the line without writing anything
  tevaro.lumiq.apply:
    profile_file: /etc/lumiq/line.ini
    identities_file: /etc/lumiq/inventory.csv
  check_mode: true
  diff: true
'''

RETURN = r'''
modules:
  description:
    - One entry per module or target, as in lumiq's JSON document.
    - C(modules[].status) is C(unchanged), C(applied), C(mismatch), C(refused), C(timeout), C(missing), C(failed) or
      C(cancelled); in check mode C(differs) or C(unchanged).
  returned: when lumiq ran
  type: list
  elements: dict
  contains:
    mac:
      description: The MAC text the module answers to now.
      type: str
      returned: always
      sample: 02:4c:51:00:00:01
    status:
      description: What became of the module.
      type: str
      returned: always
      sample: applied
    address:
      description: The address the module answered from.
      type: str
      returned: when the module answered
      sample: 10.1.0.101
    adapter:
      description: The adapter it answered on.
      type: str
      returned: when the module answered
      sample: enp3s0
    detail:
      description: Why it did not succeed.
      type: str
      returned: when the module did not succeed
      sample: 'set dport=9100 refused: ERROR'
    values:
      description: Its parameters by key, as read back.
      type: dict
      returned: when the module answered
      sample: {"ip": "10.1.0.101", "name": "Press-001", "dport": "9100"}
    apply:
      description:
        - What differed (C(changes), each key, now and wanted), what the read-back found otherwise (C(mismatches)),
          the sets the module confirmed (C(written)), what was refused or not reached (C(notWritten)) and what was sent
          without an answer (C(unconfirmed)).
      type: dict
      returned: when the module answered
      sample: {"changes": [{"key": "dport", "now": "9000", "wanted": "9100"}], "mismatches": [],
               "written": ["set dport=9100"], "notWritten": [], "unconfirmed": []}
overrides:
  description: Each profile value that identity-table cells put aside, once per column.
  returned: when lumiq ran
  type: list
  elements: dict
  sample: [{"key": "name", "profile": "Press", "where": "/tmp/profile.ini:3", "modules": 2, "table": ["A", "B"]}]
lumiq:
  description: The run of lumiq.
  returned: when lumiq ran
  type: dict
  contains:
    exitStatus:
      description: lumiq's exit status (with check mode, 1 means that something would change).
      type: int
      returned: always
      sample: 0
    command:
      description: The command line run.
      type: list
      elements: str
      returned: always
      sample: ["/usr/bin/lumiq", "apply", "--profile", "/tmp/ansible-lumiq-x/profile.ini", "--json"]
    stderr:
      description: What lumiq said on stderr (progress, warnings, the modules that failed).
      type: str
      returned: always
      sample: 'lumiq: 2 modules answered'
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tevaro.lumiq.plugins.module_utils.lumiq_runner import (
    LumiqRunner, apply_changed, apply_diff, common_options, identities_csv, profile_ini,
    setting_text)

GOOD_STATUSES = ('unchanged', 'applied', 'differs')


def apply_options(params, texts):
    """lumiq apply's options, and the texts of the files they name ({file name: text})."""
    options = []
    try:
        if params['profile'] is not None:
            texts['profile.ini'] = profile_ini(params['profile'])
        if params['identities'] is not None:
            texts['identities.csv'] = identities_csv(params['identities'])
        for key, template in (params['assign'] or {}).items():
            options += ['--assign', u'%s=%s' % (setting_text(key, u'assign key %r' % (key,)),
                                                 setting_text(template, u'assign.%s' % key))]
    except ValueError as e:
        return None, u'%s' % e
    if params['first'] is not None:
        options += ['--first', str(params['first'])]
    return options, None


def module_options():
    options = common_options()
    options.update(
        profile=dict(type='dict'),
        profile_file=dict(type='path'),
        identities=dict(type='list', elements='dict'),
        identities_file=dict(type='path'),
        assign=dict(type='dict'),
        first=dict(type='int'),
    )
    return options


def main():
    module = AnsibleModule(
        argument_spec=module_options(),
        mutually_exclusive=[('profile', 'profile_file'), ('identities', 'identities_file')],
        required_one_of=[('profile', 'profile_file', 'identities', 'identities_file', 'assign')],
        required_by=dict(first='assign'),
        supports_check_mode=True,
    )
    params = module.params
    texts = {}
    options, problem = apply_options(params, texts)
    if problem:
        module.fail_json(msg=problem)

    runner = LumiqRunner(module)
    with runner.prepared_files(texts) as paths:
        files = [('--profile', params['profile_file'] or paths.get('profile.ini')),
                 ('--identities', params['identities_file'] or paths.get('identities.csv'))]
        options = [arg for option, path in files if path for arg in (option, path)] + options
        if module.check_mode:
            options.append('--check')
        run = runner.run('apply', options, params['targets'] or [])

    result = dict(
        changed=apply_changed(run.modules),
        modules=run.modules,
        overrides=run.document.get('overrides', []),
        lumiq=run.summary(),
    )
    if module._diff:
        result['diff'] = apply_diff(run.modules)
    runner.finish(run, GOOD_STATUSES, result, check=module.check_mode)


if __name__ == '__main__':
    main()
