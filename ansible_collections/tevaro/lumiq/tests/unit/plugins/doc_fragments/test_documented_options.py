# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import importlib

import pytest

from ansible.parsing.plugin_docs import read_docstring
from ansible.plugins.loader import fragment_loader
from ansible.utils.plugin_docs import add_fragments


# What each module documents (with its fragments) is what it takes: a name,
# type, element type or default out of step would mislead every playbook.
@pytest.mark.parametrize('name', ['apply', 'info', 'factory_default'])
def test_documentation_matches_the_options_taken(name):
    module = importlib.import_module('ansible_collections.tevaro.lumiq.plugins.modules.' + name)
    taken = module.module_options()

    doc = read_docstring(module.__file__)['doc']
    add_fragments(doc, module.__file__, fragment_loader=fragment_loader, is_module=True)
    documented = doc['options']
    assert sorted(documented) == sorted(taken)
    for option, argument in taken.items():
        shown = documented[option]
        assert (shown.get('type', 'str'), shown.get('elements'), shown.get('default')) == (
            argument.get('type', 'str'), argument.get('elements'), argument.get('default')), option
    assert set(doc['attributes']) == {'check_mode', 'diff_mode', 'idempotent', 'platform'}
    assert all('description' in a and 'support' in a for a in doc['attributes'].values())
